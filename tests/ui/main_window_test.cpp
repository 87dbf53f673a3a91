#include <QAction>
#include <QPushButton>
#include <QTest>

#include "fakes/fake_editor_windows.h"
#include "fakes/fake_file_dialogs.h"
#include "fakes/fake_front_end.h"
#include "ui/main_window.h"

using namespace vz;

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void editMenusFollowWhetherEditorWindowsExist()
    {
        for (const bool exists : {false, true}) {
            run::RunState state;
            test::FakeFrontEnd messages;
            test::FakeFileDialogs dialogs;
            test::FakeEditorWindows editors;
            editors.exists = exists;
            ui::MainWindow window(state, messages, dialogs, editors);
            QCOMPARE(window.findChild<QAction*>("mnuEdit")->isEnabled(), exists);
            QCOMPARE(window.findChild<QAction*>("mnuDef")->isEnabled(), exists);
        }
    }

    void editMenuOpensTheConfigurationWindowOnTheFileInUse()
    {
        run::RunState state;
        state.CurrentIniPath = u"/home/me/朝刊.ini";
        test::FakeFrontEnd messages;
        test::FakeFileDialogs dialogs;
        test::FakeEditorWindows editors;
        ui::MainWindow window(state, messages, dialogs, editors);
        window.findChild<QAction*>("mnuEdit")->trigger();
        QCOMPARE(editors.configs.size(), std::size_t{1});
        QVERIFY(editors.configs[0].first == u"/home/me/朝刊.ini");
        QVERIFY(!editors.configs[0].second);
        QVERIFY(state.EditIniPath == state.CurrentIniPath);
        window.findChild<QAction*>("mnuDef")->trigger();
        QCOMPARE(editors.defOpened, 1);
    }

    void captionStartsWithTheWeekdayTable()
    {
        run::RunState state;
        test::FakeFrontEnd messages;
        test::FakeFileDialogs dialogs;
        ui::NullEditorWindows editors;
        ui::MainWindow window(state, messages, dialogs, editors);
        QCOMPARE(window.windowTitle(), QStringLiteral("vodeZeva  :  vodeZeva.def"));
        QCOMPARE(window.findChild<QPushButton*>("cmdStop")->text(), QStringLiteral("開始"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
