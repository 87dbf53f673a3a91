#include <algorithm>
#include <chrono>
#include <optional>

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "fakes/fake_editor_windows.h"
#include "fakes/fake_file_dialogs.h"
#include "fakes/fake_front_end.h"
#include "fakes/fake_program_starter.h"
#include "platform/cp932.h"
#include "platform/concurrent_fetcher.h"
#include "run/text.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"
#include "ui/desktop.h"

using namespace vz;
using namespace std::chrono_literals;

namespace {

/// The windowed program over fakes for everything a person answers, the real fetcher, and a
/// loopback site of one site with two articles.
struct Program
{
    explicit Program(const std::string& indexPath = "/news/index.html", const char* contents = "NOCONTENTS")
    {
        server.serve("/news/index.html", "<!--list--><a href=\"1.html\">1</a><a href=\"2.html\">2</a><!--/list-->");
        for (const char* n : {"1", "2"}) {
            server.serve(std::string("/news/") + n + ".html",
                         platform::encodeCp932(u"<h1>見出し</h1><div>本文" + text::fromUtf8(n) + u"</div>").bytes);
        }
        ini = dir.folder() + u"朝刊.ini";
        test::writeBytes(text::toPath(ini),
                         platform::encodeCp932(text::fromUtf8("J\t0\t" + text::toUtf8(dir.folder()) +
                                                              "data\tNOAUTO\tNODAILY\t\t" + contents +
                                                              "\tNOSEPARATETOPICFILES\r\n"
                                                              "ニュース\t" +
                                                              server.url(indexPath) + "\t" + server.url("/news/") +
                                                              "\tnews.html\t<!--list-->\t<!--/list-->\t<h1>\t</h1>\t<"
                                                              "div>\t</div>\r\n"))
                             .bytes);
        desktop.emplace(state, ui::DesktopServices{clock, fetcher, messages, dialogs, editors, starter});
        desktop->mainWindow().setOpener([this](const QString& path) {
            opened.push_back(path);
            return true;
        });
    }

    ui::MainWindow& window() { return desktop->mainWindow(); }
    template <typename T> T* find(const char* name) { return desktop->mainWindow().findChild<T*>(name); }
    bool idle() { return desktop->runControl().phase() == gather::RunPhase::Idle; }
    std::string output(const char* name) { return test::readBytes(dir.path() / "data" / name); }

    test::TempDir dir;
    test::TestHttpServer server;
    std::u16string ini;
    test::FakeClock clock;
    platform::ConcurrentFetcher fetcher{platform::ConcurrentSettings{8, 4, platform::CurlSettings{2000ms, 20000ms}}};
    test::FakeFrontEnd messages;
    test::FakeFileDialogs dialogs;
    test::FakeEditorWindows editors;
    test::FakeProgramStarter starter;
    run::RunState state;
    std::vector<QString> opened;
    std::optional<ui::Desktop> desktop;
};

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void editMenusAreOfferedOnlyWhenTheirWindowsExist()
    {
        run::RunState state;
        test::FakeFrontEnd messages;
        test::FakeFileDialogs dialogs;
        ui::NullEditorWindows editors;
        ui::MainWindow window(state, messages, dialogs, editors);
        QVERIFY(!window.findChild<QAction*>("mnuEdit")->isEnabled());
        QVERIFY(!window.findChild<QAction*>("mnuDef")->isEnabled());
    }

    void startUpNamesTheFileAndTheEditMenuOpensIt()
    {
        Program program;
        QCOMPARE(program.window().windowTitle(), QStringLiteral("vodeZeva  :  vodeZeva.def"));
        program.desktop->start(program.dir.folder(), program.ini);
        QCOMPARE(program.window().windowTitle(), QStringLiteral("vodeZeva  :  朝刊.ini"));
        QVERIFY(program.state.IniChosenByHand);
        QCOMPARE(program.find<QPushButton>("cmdStop")->text(), QStringLiteral("開始"));
        QVERIFY(!program.find<QPushButton>("cmdOpen")->isEnabled());
        program.find<QAction>("mnuEdit")->trigger();
        QCOMPARE(program.editors.configs.size(), std::size_t{1});
        QVERIFY(program.editors.configs[0] == std::make_pair(program.ini, false));
        program.find<QAction>("mnuDef")->trigger();
        QCOMPARE(program.editors.defOpened, 1);
    }

    void aRunFromTheButtonShowsProgressAndOffersTheContentsPage()
    {
        Program program("/news/index.html", "CONTENTS");
        program.desktop->start(program.dir.folder(), program.ini);
        QTest::mouseClick(program.find<QPushButton>("cmdStop"), Qt::LeftButton);
        QTRY_VERIFY(program.idle());
        QCOMPARE(program.messages.infos, std::vector<std::u16string>{u"ダウンロードが終了しました。"});
        QCOMPARE(program.find<QPushButton>("cmdStop")->text(), QStringLiteral("開始"));
        QVERIFY(program.output("news.html").find("本文2") == std::string::npos); // CP932, not UTF-8
        QVERIFY(platform::decodeCp932(program.output("news.html")).find(u"本文2") != std::u16string::npos);
        const QString status = program.find<QLabel>("lblStatus")->text();
        QVERIFY2(status.contains(QStringLiteral("サイト 1/1")) && status.contains(QStringLiteral("取得 2")) &&
                     status.contains(QStringLiteral("失敗 0")),
                 qPrintable(status));
        QCOMPARE(program.find<QProgressBar>("progress")->value(), program.find<QProgressBar>("progress")->maximum());
        QVERIFY(program.find<QPushButton>("cmdOpen")->isEnabled());
        QTest::mouseClick(program.find<QPushButton>("cmdOpen"), Qt::LeftButton);
        QCOMPARE(program.opened, std::vector<QString>{QString::fromStdU16String(program.dir.folder()) +
                                                      QStringLiteral("data/index.html")});
    }

    void theStatusLineTellsWhyAPageCouldNotBeDownloaded()
    {
        Program program("/status/404");
        program.desktop->start(program.dir.folder(), program.ini);
        QTest::mouseClick(program.find<QPushButton>("cmdStop"), Qt::LeftButton);
        QTRY_VERIFY(program.idle());
        const QString status = program.find<QLabel>("lblStatus")->text();
        QVERIFY2(status.contains(QStringLiteral("HTTP status 404 Not Found")), qPrintable(status));
        QVERIFY2(status.contains(QString::fromStdString(program.server.baseUrl())), qPrintable(status));
    }

    void theWindowAnswersWhileADownloadHangs()
    {
        // The index page answers only after five seconds.
        Program program("/slow");
        program.desktop->start(program.dir.folder(), program.ini);
        QElapsedTimer click;
        click.start();
        QTest::mouseClick(program.find<QPushButton>("cmdStop"), Qt::LeftButton);
        QVERIFY2(click.elapsed() < 1000, "the start button returns long before the download would");
        QTRY_COMPARE(program.server.requestCount("/slow"), std::size_t{1});
        QVERIFY2(!program.find<QAction>("mnuRead")->isEnabled(), "no Init while a run walks the run state");

        // Ticks every 10 ms while the download hangs. A run on the window thread would hold them
        // all back for seconds; a machine shared with other work may delay one now and then.
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        std::vector<qint64> gaps;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            gaps.push_back(clock.elapsed() - last);
            last = clock.elapsed();
        });
        tick.start(10);
        QTest::qWait(1500);
        std::sort(gaps.begin(), gaps.end());
        QVERIFY(gaps.size() > 20);
        const qint64 usual = gaps[gaps.size() * 95 / 100];
        QVERIFY2(usual < 100 && gaps.back() < 500,
                 qPrintable(QStringLiteral("ticks came %1 ms apart (95%), %2 ms at most").arg(usual).arg(gaps.back())));
        QVERIFY(program.server.requestCount("/news/1.html") == 0);

        QTest::mouseClick(program.find<QPushButton>("cmdStop"), Qt::LeftButton);
        QCOMPARE(program.find<QPushButton>("cmdStop")->text(), QStringLiteral("開始"));
        QVERIFY2(!program.find<QPushButton>("cmdStop")->isEnabled(), "no start while the stopped run unwinds");
        program.find<QAction>("mnuAbout")->trigger();
        QVERIFY(program.desktop->aboutWindow().isVisible());
        // Closing waits for the run to unwind, then closes.
        program.window().close();
        QVERIFY(program.window().isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!program.window().isVisible(), 15000);
        QVERIFY(program.idle());
        QVERIFY2(program.messages.infos.empty(), "a run ended by closing the window tells of no finished download");
        QVERIFY(!program.desktop->aboutWindow().isVisible());
        const std::string page = program.output("news.html");
        QCOMPARE(page.find("</html>"), page.rfind("</html>"));
    }

    void readMenuLoadsTheChosenFileOnly_data()
    {
        QTest::addColumn<int>("outcome");
        QTest::newRow("cancelled") << int(platform::FileDialogResult::Outcome::Cancelled);
        QTest::newRow("failed") << int(platform::FileDialogResult::Outcome::Failed);
        QTest::newRow("chosen") << int(platform::FileDialogResult::Outcome::Chosen);
    }

    void readMenuLoadsTheChosenFileOnly()
    {
        QFETCH(int, outcome);
        Program program;
        program.desktop->start(program.dir.folder(), std::nullopt);
        program.state.IniChosenByHand = false;
        const QString before = program.window().windowTitle();
        const auto chosen = static_cast<platform::FileDialogResult::Outcome>(outcome);
        program.dialogs.results.push_back({chosen, program.ini, u"no such device"});
        program.find<QAction>("mnuRead")->trigger();

        QCOMPARE(program.dialogs.asked.size(), std::size_t{1});
        QVERIFY(program.dialogs.asked[0].initialName.ends_with(u"/*.ini"));
        const bool loaded = chosen == platform::FileDialogResult::Outcome::Chosen;
        QCOMPARE(program.state.IniChosenByHand, loaded);
        QCOMPARE(program.state.CurrentIniPath == program.ini, loaded);
        QCOMPARE(program.window().windowTitle(), loaded ? QStringLiteral("vodeZeva  :  朝刊.ini") : before);
        QCOMPARE(program.messages.alerts.size(), std::size_t(chosen == platform::FileDialogResult::Outcome::Failed));
        QCOMPARE(program.find<QPushButton>("cmdStop")->isEnabled(), true);
    }

    void closingRemovesTheTemporaryFileAndClosesTheOtherWindows()
    {
        Program program;
        program.desktop->start(program.dir.folder(), program.ini);
        test::writeBytes(program.dir.path() / "data" / "raw.tmp", "left over");
        program.desktop->errorsWindow().appendLine(u"line\r\n");
        program.find<QAction>("mnuAbout")->trigger();
        QVERIFY(program.desktop->errorsWindow().isVisible());
        program.find<QAction>("mnuExit")->trigger();
        QVERIFY(!program.window().isVisible());
        QVERIFY(!std::filesystem::exists(program.dir.path() / "data" / "raw.tmp"));
        QVERIFY(!program.desktop->errorsWindow().isVisible());
        QVERIFY(!program.desktop->aboutWindow().isVisible());
        QCOMPARE(program.editors.closedForShutdown, 1);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
