// The Qt message boxes and file dialogs, set up and read back without ever being shown.

#include <QPushButton>
#include <QTest>

#include "support/temp_dir.h"
#include "ui/qt_file_dialogs.h"
#include "ui/qt_messages.h"

using namespace vz;
using Outcome = platform::FileDialogResult::Outcome;

class PlatformDialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void messageBoxesHaveTheirIconsAndButtons_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("negative");
        using K = ui::QtMessages::Kind;
        QTest::newRow("information") << int(K::Information) << int(QMessageBox::Information) << int(QMessageBox::Ok)
                                     << int(QMessageBox::Ok);
        QTest::newRow("alert") << int(K::Alert) << int(QMessageBox::NoIcon) << int(QMessageBox::Ok)
                               << int(QMessageBox::Ok);
        QTest::newRow("ok/cancel") << int(K::OkCancel) << int(QMessageBox::Question)
                                   << int(QMessageBox::Ok | QMessageBox::Cancel) << int(QMessageBox::Cancel);
        QTest::newRow("yes/no") << int(K::YesNo) << int(QMessageBox::NoIcon) << int(QMessageBox::Yes | QMessageBox::No)
                                << int(QMessageBox::No);
    }

    void messageBoxesHaveTheirIconsAndButtons()
    {
        QFETCH(int, kind);
        QFETCH(int, icon);
        QFETCH(int, buttons);
        QFETCH(int, negative);
        const auto box = ui::QtMessages::makeBox(static_cast<ui::QtMessages::Kind>(kind), u"<b>保存しますか</b>");
        QCOMPARE(int(box->icon()), icon);
        QCOMPARE(int(box->standardButtons()), buttons);
        QCOMPARE(box->escapeButton(), box->button(static_cast<QMessageBox::StandardButton>(negative)));
        QCOMPARE(box->text(), QStringLiteral("<b>保存しますか</b>"));
        QCOMPARE(box->textFormat(), Qt::PlainText);
    }

    void fileDialogsAreSetUpAsAsked()
    {
        test::TempDir dir;
        const QString folder = QString::fromStdString(dir.path().string());
        QFileDialog open;
        ui::QtFileDialogs::prepare(
            open, {platform::FileDialogRequest::Kind::Open, u"読み込み", dir.folder() + u"*.ini", u"ini"});
        QCOMPARE(open.windowTitle(), QStringLiteral("読み込み"));
        QCOMPARE(open.fileMode(), QFileDialog::ExistingFile);
        QCOMPARE(open.directory().absolutePath(), folder);
        QCOMPARE(open.nameFilters(), (QStringList{"*.ini", "*"}));

        QFileDialog save;
        ui::QtFileDialogs::prepare(save,
                                   {platform::FileDialogRequest::Kind::Save, u"", dir.folder() + u"朝刊", u"ini"});
        QCOMPARE(save.acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(save.defaultSuffix(), QStringLiteral("ini"));
    }

    void aCancelIsToldApartFromAFailure()
    {
        test::TempDir dir;
        const QString folder = QString::fromStdString(dir.path().string());
        test::writeBytes(dir.path() / "a.ini", "");
        const platform::FileDialogRequest open{platform::FileDialogRequest::Kind::Open, u"", u"", u""};
        const platform::FileDialogRequest save{platform::FileDialogRequest::Kind::Save, u"", u"", u""};
        QCOMPARE(ui::QtFileDialogs::outcome(open, false, {folder + "/a.ini"}).outcome, Outcome::Cancelled);
        QCOMPARE(ui::QtFileDialogs::outcome(open, true, {}).outcome, Outcome::Failed);
        QCOMPARE(ui::QtFileDialogs::outcome(open, true, {folder}).outcome, Outcome::Failed);
        QCOMPARE(ui::QtFileDialogs::outcome(open, true, {folder + "/b.ini"}).outcome, Outcome::Failed);
        QCOMPARE(ui::QtFileDialogs::outcome(save, true, {folder + "/b.ini"}).outcome, Outcome::Chosen);
        const auto chosen = ui::QtFileDialogs::outcome(open, true, {folder + "/a.ini"});
        QCOMPARE(chosen.outcome, Outcome::Chosen);
        QCOMPARE(QString::fromStdU16String(chosen.path), folder + "/a.ini");
    }
};

QTEST_MAIN(PlatformDialogsTest)
#include "platform_dialogs_test.moc"
