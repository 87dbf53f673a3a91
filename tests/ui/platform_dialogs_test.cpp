// The Qt message boxes and file dialogs, set up and read back without ever being shown.

#include <filesystem>
#include <tuple>

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include "support/temp_dir.h"
#include "ui/desktop_opener.h"
#include "ui/program_look.h"
#include "ui/qt_file_dialogs.h"
#include "ui/qt_messages.h"

using namespace vz;
using Outcome = platform::FileDialogResult::Outcome;

class PlatformDialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void messageBoxesAnswerNoOnEscapeAndShowTextAsItStands()
    {
        using K = ui::QtMessages::Kind;
        using B = QMessageBox;
        const std::tuple<K, B::Icon, B::StandardButtons, B::StandardButton> cases[] = {
            {K::Information, B::Information, B::Ok, B::Ok},
            {K::Alert, B::NoIcon, B::Ok, B::Ok},
            {K::OkCancel, B::Question, B::Ok | B::Cancel, B::Cancel},
            {K::YesNo, B::NoIcon, B::Yes | B::No, B::No},
        };
        for (const auto& [kind, icon, buttons, no] : cases) {
            const auto box = ui::QtMessages::makeBox(kind, u"<b>保存しますか</b>");
            QCOMPARE(box->icon(), icon);
            QCOMPARE(box->standardButtons(), buttons);
            QCOMPARE(box->escapeButton(), box->button(no));
            QCOMPARE(box->text(), QStringLiteral("<b>保存しますか</b>"));
            QCOMPARE(box->textFormat(), Qt::PlainText);
        }
    }

    void qtsOwnButtonsAndFileDialogSpeakJapaneseAndEveryWindowCarriesTheProgramsIcon()
    {
        QVERIFY2(ui::dressApplication(*qApp), "qt6-translations-l10n holds Qt's Japanese");
        const auto box = ui::QtMessages::makeBox(ui::QtMessages::Kind::YesNo, u"?");
        QCOMPARE(box->button(QMessageBox::No)->text(), QStringLiteral("いいえ(&N)"));
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        QStringList english;
        for (const auto* label : dialog.findChildren<QLabel*>()) {
            english << label->text();
        }
        for (const auto* button : dialog.findChildren<QPushButton*>()) {
            english << button->text();
        }
        english = english.filter(QRegularExpression(QStringLiteral("[A-Za-z]{3}")));
        QVERIFY2(english.isEmpty(), qPrintable(english.join(u'|')));

        QWidget window;
        const QImage icon = ui::programIcon().pixmap(32).toImage();
        QVERIFY2(!icon.isNull(), "the icon is drawn from its SVG file");
        QCOMPARE(window.windowIcon().pixmap(32).toImage(), icon);
    }

    void theDesktopOpenerTellsWhyItCouldNotOpen()
    {
        test::TempDir dir;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QByteArray::fromStdString(dir.path().string()));
        QStringList why;
        ui::openWithDesktop(QStringLiteral("/nowhere/index.html"), [&why](const QString& reason) { why << reason; });
        QTRY_COMPARE(why, QStringList{QStringLiteral("xdg-open を起動できません")});
        const auto opener = dir.path() / "xdg-open";
        test::writeBytes(opener, "#!/bin/sh\nexit 4\n");
        std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
        ui::openWithDesktop(QStringLiteral("/nowhere/index.html"), [&why](const QString& reason) { why << reason; });
        QTRY_COMPARE(why.size(), 2);
        QCOMPARE(why.back(), QStringLiteral("xdg-open が失敗しました（終了コード 4）"));
        qputenv("PATH", path);
    }

    void fileDialogsAreSetUpAsAskedAndACancelIsToldApartFromAFailure()
    {
        test::TempDir dir;
        const QString folder = QString::fromStdString(dir.path().string());
        using Request = platform::FileDialogRequest;
        const Request open{Request::Kind::Open, u"", dir.folder() + u"*.ini", u"ini"};
        const Request save{Request::Kind::Save, u"", dir.folder() + u"朝刊", u"ini"};
        QFileDialog openDialog, saveDialog;
        ui::QtFileDialogs::prepare(openDialog, open);
        QCOMPARE(openDialog.fileMode(), QFileDialog::ExistingFile);
        QCOMPARE(openDialog.directory().absolutePath(), folder);
        QCOMPARE(openDialog.nameFilters(), (QStringList{"*.ini", "*"}));
        ui::QtFileDialogs::prepare(saveDialog, save);
        QCOMPARE(saveDialog.acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(saveDialog.defaultSuffix(), QStringLiteral("ini"));

        test::writeBytes(dir.path() / "a.ini", "");
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
