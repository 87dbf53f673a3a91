#include <QLabel>
#include <QListWidget>

#include "editor_windows_fixture.h"
#include "ui/import_window.h"

using namespace vz;

class ImportWindowTest : public QObject
{
    Q_OBJECT

    /// The configuration window open on a.ini (two sites), and other.ini to import from.
    struct Fixture : test::EditorWindowsFixture
    {
        Fixture()
        {
            const std::u16string settings = u"J\t0\t\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATETOPICFILES\r\n";
            writeFile("a.ini", settings + u"さくら新聞 地域面\thttp://a/\r\nまちかど通信\thttp://b/\r\n");
            writeFile("other.ini",
                      settings + u"港北ジャーナル\thttp://x/\r\n'つばめタイムズ 経済・国際面\thttp://y/\r\nZ\r\n");
            windows.openConfig(path("a.ini"), false);
        }
        ui::ImportWindow* start()
        {
            dialogs.results = {{platform::FileDialogResult::Outcome::Chosen, path("other.ini"), u""}};
            click(config(), "cmdImport");
            auto open = config().findChildren<ui::ImportWindow*>();
            return open.isEmpty() ? nullptr : open.back();
        }
    };

private slots:
    void opensCompactAndGrowsWithReplaceMode()
    {
        Fixture f;
        QPointer<ui::ImportWindow> w = f.start();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Import .ini : other.ini"));
        QVERIFY(!f.in<QPushButton>(*w, "cmdImport")->isVisible());
        const int compact = w->height();

        QTest::mouseClick(f.in<QPushButton>(*w, "cmdReplace"), Qt::LeftButton);
        QVERIFY(w->height() > compact);
        QVERIFY(f.in<QLabel>(*w, "Label")->isVisible() && !f.in<QListWidget>(*w, "lstSelect")->isVisible());
        auto* source = f.in<QListWidget>(*w, "lstSource");
        auto* destination = f.in<QListWidget>(*w, "lstDestination");
        QVERIFY(source->count() == 3 && destination->count() == 3);
        QCOMPARE(source->item(1)->text(), QStringLiteral("つばめタイムズ 経済・国際面"));
        for (auto* list : {source, destination}) {
            QVERIFY2(list->viewport()->width() >= list->sizeHintForColumn(0), "every site name shows whole");
        }

        source->item(2)->setSelected(true);
        destination->item(1)->setSelected(true);
        QTest::mouseClick(f.in<QPushButton>(*w, "cmdImport"), Qt::LeftButton);
        QVERIFY(f.fe.infos.back() == u"まちかど通信をZで置き換えました。");
        QCOMPARE(f.host.over, (QStringList{"frmConfig", "frmImport"})); // the source dialog, the message
        QVERIFY(w->isVisible() && f.in<QLineEdit>(f.config(), "SiteName1")->text() == QStringLiteral("Z"));
        // The list shows what the replacement did.
        QCOMPARE(destination->item(1)->text(), QStringLiteral("Z"));
        QVERIFY(destination->item(1)->font().bold() && !destination->item(0)->font().bold());
        QCOMPARE(destination->item(1)->toolTip(), QStringLiteral("「まちかど通信」を置き換えました"));
        f.click(f.config(), "cmdClose", {true});
        QTRY_VERIFY(w.isNull()); // with the configuration window
    }

    void selectModeAppendsTheMarkedSitesAndOnlyOneImportWindowIsOpen()
    {
        Fixture f;
        f.click(f.config(), "cmdImport"); // dismissed
        QVERIFY(f.config().findChildren<ui::ImportWindow*>().isEmpty());
        QPointer<ui::ImportWindow> first = f.start();
        QPointer<ui::ImportWindow> w = f.start();
        QTRY_VERIFY(first.isNull());
        QTest::mouseClick(f.in<QPushButton>(*w, "cmdImportOne"), Qt::LeftButton);
        auto* select = f.in<QListWidget>(*w, "lstSelect");
        QVERIFY(select->isVisible() && !f.in<QLabel>(*w, "Label")->isVisible());
        select->item(0)->setSelected(true);
        select->item(1)->setSelected(true);
        QTest::mouseClick(f.in<QPushButton>(*w, "cmdImport"), Qt::LeftButton);
        QCOMPARE(f.in<QLineEdit>(f.config(), "SiteName3")->text(), QStringLiteral("つばめタイムズ 経済・国際面"));
        QTRY_VERIFY(w.isNull());
    }
};

QTEST_MAIN(ImportWindowTest)
#include "import_window_test.moc"
