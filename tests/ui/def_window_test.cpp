#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "fakes/fake_editor_windows.h"
#include "fakes/fake_file_dialogs.h"
#include "fakes/fake_front_end.h"
#include "support/temp_dir.h"
#include "ui/def_window.h"
#include "window_picture.h"

using namespace vz;

class DefWindowTest : public QObject
{
    Q_OBJECT

    struct Fixture
    {
        Fixture() : reporter(state, fe, fe), window(state, reporter, fe, dialogs, editors)
        {
            state.ProgramFolder = dir.folder();
            test::writeBytes(def(), "1\t/mon.ini\r\n2\t/tue.ini\r\n3\t/wed.ini\r\n");
        }
        std::filesystem::path def() const { return dir.path() / "vodeZeva.def"; }
        QLineEdit* row(int key) { return window.findChild<QLineEdit*>(QStringLiteral("ini%1").arg(key)); }
        void click(const char* name) { QTest::mouseClick(window.findChild<QPushButton*>(name), Qt::LeftButton); }

        test::TempDir dir;
        run::RunState state;
        test::FakeFrontEnd fe;
        test::FakeFileDialogs dialogs;
        test::FakeEditorWindows editors;
        run::Reporter reporter;
        ui::DefWindow window;
    };

private slots:
    void rowsTakeTypingAndBrowsingAndSaveWritesThem()
    {
        Fixture f;
        f.window.open();
        QCOMPARE(f.window.windowTitle(), QStringLiteral("Definition of .ini files"));
        QCOMPARE(f.row(2)->text(), QStringLiteral("/tue.ini"));
        f.row(2)->clear();
        QTest::keyClicks(f.row(4), QStringLiteral("/thu.ini"));
        f.dialogs.results = {{platform::FileDialogResult::Outcome::Chosen, u"/home/me/週末.ini", u""}};
        f.click("cmdBrowse6");
        f.click("cmdBrowse7"); // dismissed
        QCOMPARE(f.row(6)->text(), QStringLiteral("/home/me/週末.ini"));
        test::saveWindowPicture(&f.window, QStringLiteral("frmDef"));
        f.fe.answers = {true};
        f.click("cmdSave");
        // CP932 on disk.
        QCOMPARE(test::readBytes(f.def()), std::string("1\t/mon.ini\r\n2\t\r\n3\t/wed.ini\r\n4\t/thu.ini\r\n5\t\r\n"
                                                       "6\t/home/me/\x8f\x54\x96\x96.ini\r\n7\t\r\n"));
        QVERIFY(!f.window.isVisible());
    }

    void editOpensTheConfigurationWindowAndOnlyAnOpenEditorIsRefreshed()
    {
        Fixture f;
        f.window.LoadDef();
        QVERIFY2(!f.window.isVisible(), "a refresh never brings the closed editor on screen");
        f.window.open();
        f.click("cmdEdit3");
        QCOMPARE(f.editors.configs.size(), std::size_t{1});
        QVERIFY(f.editors.configs[0].first == u"/wed.ini" && f.editors.configs[0].second);
        test::writeBytes(f.def(), "3\t/other.ini\r\n"); // the configuration window's OK
        f.window.LoadDef();
        QCOMPARE(f.row(3)->text(), QStringLiteral("/other.ini"));
        f.click("cmdCancel");
        QVERIFY(!f.window.isVisible());
        QCOMPARE(test::readBytes(f.def()).substr(0, 10), std::string("1\t/mon.ini"));
        const std::string before = test::readBytes(f.def());
        f.window.open();
        f.row(1)->clear();
        f.window.close(); // the close box writes nothing
        QCOMPARE(test::readBytes(f.def()), before);
    }
};

QTEST_MAIN(DefWindowTest)
#include "def_window_test.moc"
