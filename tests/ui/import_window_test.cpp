#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "fakes/fake_file_dialogs.h"
#include "fakes/fake_front_end.h"
#include "support/temp_dir.h"
#include "ui/import_window.h"
#include "window_picture.h"

using namespace vz;

class ImportWindowTest : public QObject
{
    Q_OBJECT

    struct Fixture
    {
        Fixture() : reporter(state, fe, fe)
        {
            state.DataPath = dir.folder();
            test::writeBytes(source(), "J\t0\t\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATETOPICFILES\r\n"
                                       "X\thttp://x.test/\r\n'Y\thttp://y.test/\r\nZ\r\n");
            table.rows.resize(22);
            table.SiteEnabled.assign(22, true);
            table.rows[0].IndexName = u"A";
            table.rows[1].IndexName = u"B";
            state.EditSiteCount = 2;
        }
        std::filesystem::path source() const { return dir.path() / "other.ini"; }
        ui::ImportWindow* start()
        {
            dialogs.results = {{platform::FileDialogResult::Outcome::Chosen, text::fromPath(source()), u""}};
            return ui::startImport(
                &parent, dialogs, reporter, fe, u"/edited.ini", [this] { ++stored; }, table, state.EditSiteCount,
                [this] { ++refreshed; });
        }
        template <typename T> T* find(ui::ImportWindow* w, const char* name) { return w->findChild<T*>(name); }

        test::TempDir dir;
        run::RunState state;
        test::FakeFrontEnd fe;
        test::FakeFileDialogs dialogs;
        run::Reporter reporter;
        run::EditSiteTable table;
        QWidget parent;
        int stored = 0;
        int refreshed = 0;
    };

private slots:
    void opensCompactAndGrowsWithReplaceMode()
    {
        Fixture f;
        auto* w = f.start();
        QVERIFY(w);
        QCOMPARE(f.stored, 1);
        QCOMPARE(w->windowTitle(), QStringLiteral("Import .ini : other.ini"));
        QVERIFY(!f.find<QPushButton>(w, "cmdImport")->isVisible());
        const int compact = w->height();
        test::saveWindowPicture(w, QStringLiteral("frmImport-compact"));

        QTest::mouseClick(f.find<QPushButton>(w, "cmdReplace"), Qt::LeftButton);
        QVERIFY(w->height() > compact);
        QVERIFY(f.find<QLabel>(w, "Label")->isVisible());
        QVERIFY(!f.find<QListWidget>(w, "lstSelect")->isVisible());
        auto* source = f.find<QListWidget>(w, "lstSource");
        auto* destination = f.find<QListWidget>(w, "lstDestination");
        QCOMPARE(source->count(), 3);
        QCOMPARE(source->item(1)->text(), QStringLiteral("Y"));
        QCOMPARE(destination->count(), 3);

        source->item(2)->setSelected(true);
        QTest::mouseClick(f.find<QPushButton>(w, "cmdImport"), Qt::LeftButton);
        QCOMPARE(f.refreshed, 0); // no destination chosen yet
        destination->item(1)->setSelected(true);
        QTest::mouseClick(f.find<QPushButton>(w, "cmdImport"), Qt::LeftButton);
        QVERIFY(f.table.rows[1].IndexName == u"Z");
        QVERIFY(f.fe.infos.back() == u"BをZで置き換えました。");
        QVERIFY(w->isVisible());
        test::saveWindowPicture(w, QStringLiteral("frmImport-replace"));
    }

    void selectModeAppendsTheMarkedSitesAndASecondImportTakesThePlaceOfTheFirst()
    {
        Fixture f;
        QVERIFY(!ui::startImport(
            &f.parent, f.dialogs, f.reporter, f.fe, u"/e.ini", [] {}, f.table, f.state.EditSiteCount,
            [] {})); // dismissed
        QPointer<ui::ImportWindow> first = f.start();
        QPointer<ui::ImportWindow> w = f.start();
        QTRY_VERIFY(first.isNull());
        QTest::mouseClick(f.find<QPushButton>(w, "cmdImportOne"), Qt::LeftButton);
        QVERIFY(!f.find<QLabel>(w, "Label")->isVisible());
        auto* select = f.find<QListWidget>(w, "lstSelect");
        QVERIFY(select->isVisible());
        select->item(0)->setSelected(true);
        select->item(1)->setSelected(true);
        test::saveWindowPicture(w, QStringLiteral("frmImport-select"));
        QTest::mouseClick(f.find<QPushButton>(w, "cmdImport"), Qt::LeftButton);
        QVERIFY(f.fe.infos.back() == u" 2件iniファイルに読み込みました。");
        QVERIFY(f.table.rows[3].IndexName == u"Y" && !f.table.SiteEnabled[3]);
        QCOMPARE(f.state.EditSiteCount, 4);
        QTRY_VERIFY(w.isNull());
    }
};

QTEST_MAIN(ImportWindowTest)
#include "import_window_test.moc"
