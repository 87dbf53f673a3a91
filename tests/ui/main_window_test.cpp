#include <algorithm>
#include <chrono>
#include <optional>

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "fakes/fake_editor_windows.h"
#include "fakes/fake_file_dialogs.h"
#include "fakes/fake_front_end.h"
#include "fakes/fake_program_starter.h"
#include "fake_dialog_host.h"
#include "platform/cp932.h"
#include "platform/concurrent_fetcher.h"
#include "run/text.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"
#include "ui/desktop.h"
#include "ui/qt_text.h"

using namespace vz;
using namespace std::chrono_literals;

namespace {

/// The windowed program over fakes for everything a person answers, the real fetcher, and a
/// loopback site of one site with two articles and a third that is not there.
struct Program
{
    explicit Program(const std::string& indexPath = "/news/index.html")
    {
        server.serve("/news/index.html",
                     "<!--list--><a href=\"1.html\">1</a><a href=\"2.html\">2</a><a href=\"3.html\">3</a><!--/list-->");
        for (const char* n : {"1", "2"}) {
            server.serve(std::string("/news/") + n + ".html",
                         platform::encodeCp932(u"<h1>見出し</h1><div>本文" + text::fromUtf8(n) + u"</div>").bytes);
        }
        ini = dir.folder() + u"朝刊.ini";
        const std::string lines = "J\t0\t" + text::toUtf8(dir.folder()) +
                                  "data\tNOAUTO\tNODAILY\t\tCONTENTS\tNOSEPARATETOPICFILES\r\nニュース\t" +
                                  server.url(indexPath) + "\t" + server.url("/news/") +
                                  "\tnews.html\t<!--list-->\t<!--/list-->\t<h1>\t</h1>\t<div>\t</div>\r\n";
        test::writeBytes(text::toPath(ini), platform::encodeCp932(text::fromUtf8(lines)).bytes);
        desktop.emplace(state, ui::DesktopServices{clock, fetcher, host, editors, starter});
        desktop->mainWindow().setOpener([this](const QString& path, std::function<void(const QString&)> failed) {
            opened.push_back(path);
            if (openFails) {
                failed(QStringLiteral("no browser"));
            }
        });
    }

    ui::MainWindow& window() { return desktop->mainWindow(); }
    template <typename T> T* find(const char* name) { return desktop->mainWindow().findChild<T*>(name); }
    bool idle() { return desktop->runControl().phase() == session::RunPhase::Idle; }
    std::string output(const char* name) { return test::readBytes(dir.path() / "data" / name); }

    test::TempDir dir;
    test::TestHttpServer server;
    std::u16string ini;
    test::FakeClock clock;
    platform::ConcurrentFetcher fetcher{platform::ConcurrentSettings{8, 4, platform::CurlSettings{2000ms, 20000ms}}};
    test::FakeFrontEnd messages;
    test::FakeFileDialogs dialogs;
    test::FakeDialogHost host{messages, dialogs};
    test::FakeEditorWindows editors;
    test::FakeProgramStarter starter;
    run::RunState state;
    std::vector<QString> opened;
    bool openFails = false;
    std::optional<ui::Desktop> desktop;
};

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void startUpNamesTheFileAndTheEditMenuOpensIt()
    {
        Program program;
        QCOMPARE(program.window().windowTitle(), QStringLiteral("vodeZeva  :  vodeZeva.def"));
        program.desktop->start(program.dir.folder(), program.ini);
        QCOMPARE(program.window().windowTitle(), QStringLiteral("vodeZeva  :  朝刊.ini"));
        QVERIFY(program.state.IniChosenByHand && !program.find<QPushButton>("cmdOpen")->isEnabled());
        program.find<QAction>("mnuEdit")->trigger();
        QVERIFY(program.editors.configs == (std::vector{std::make_pair(program.ini, false)}));
        program.find<QAction>("mnuDef")->trigger();
        QCOMPARE(program.editors.defOpened, 1);
        program.window().pictureStarted(u"http://x/1.jpg");
        QVERIFY(program.find<QLabel>("lblStatus")->text().contains(QStringLiteral("画像 1 枚目")));

        // Nothing kept yet: eight at once. A pick holds from the next run on and is kept.
        QVERIFY(program.find<QAction>("mnuJobs8")->isChecked());
        program.find<QAction>("mnuJobs2")->trigger();
        QCOMPARE(program.desktop->session().values().jobs, 2);
        QVERIFY(program.find<QAction>("mnuJobs2")->isChecked() && !program.find<QAction>("mnuJobs8")->isChecked());
        QCOMPARE(test::readBytes(program.dir.path() / "vodeZeva.jobs"), std::string("2\r\n"));
        // --jobs wins for its start, and a number the menu does not offer checks no item.
        program.desktop->start(program.dir.folder(), program.ini, 3);
        QCOMPARE(program.desktop->session().values().jobs, 3);
        QVERIFY(!program.find<QAction>("mnuJobs2")->isChecked());
    }

    void aRunFromTheButtonShowsProgressAndOffersTheContentsPage()
    {
        Program program;
        program.desktop->start(program.dir.folder(), program.ini);
        QTest::mouseClick(program.find<QPushButton>("cmdStop"), Qt::LeftButton);
        QTRY_VERIFY(program.idle());
        QCOMPARE(program.messages.infos, std::vector<std::u16string>{u"ダウンロードが終了しました。"});
        QVERIFY(platform::decodeCp932(program.output("news.html")).find(u"本文2") != std::u16string::npos);
        const QString status = program.find<QLabel>("lblStatus")->text();
        // The cause of a failed download stands beside the counts.
        QVERIFY2(status == QStringLiteral("サイト 1/1　記事 3/3　取得 2　失敗 1　終了　最後の失敗 HTTP ステータス 404"
                                          "（見つかりません）（%1）")
                               .arg(QString::fromStdString(program.server.url("/news/3.html"))),
                 qPrintable(status));
        QCOMPARE(program.find<QProgressBar>("progress")->value(), program.find<QProgressBar>("progress")->maximum());
        QTest::mouseClick(program.find<QPushButton>("cmdOpen"), Qt::LeftButton);
        const QString contents = QString::fromStdU16String(program.dir.folder()) + QStringLiteral("data/index.html");
        QCOMPARE(program.opened, std::vector<QString>{contents});
        program.openFails = true;
        QTest::mouseClick(program.find<QPushButton>("cmdOpen"), Qt::LeftButton);
        QCOMPARE(program.messages.alerts.back(), u"開けませんでした: " + contents.toStdU16String() + u"（no browser）");

        // The error list heads the run with its date, and puts the download's cause on its line.
        const QStringList errors =
            program.desktop->errorsWindow().findChild<QPlainTextEdit*>("ErrMsg")->toPlainText().split(u'\n');
        // The start-up's report (the data folder made), a blank line, the run's heading.
        QVERIFY2(errors.value(1).isEmpty() && errors.value(2) == QStringLiteral("―― 2026/12/07 06:30:05 の実行 ――"),
                 qPrintable(errors.join(u'|')));
        QVERIFY2(errors.filter(QStringLiteral("3.html : GetHTML（HTTP ステータス 404（見つかりません））")).size() == 1,
                 qPrintable(errors.join(u'\n')));
        program.desktop->errorsWindow().close();
        QVERIFY(program.find<QAction>("mnuErrors")->isEnabled());
        program.find<QAction>("mnuErrors")->trigger();
        QVERIFY(program.desktop->errorsWindow().isVisible());

        // A restart offers the contents page the run left.
        program.desktop.reset();
        program.desktop.emplace(program.state, ui::DesktopServices{program.clock, program.fetcher, program.host,
                                                                   program.editors, program.starter});
        program.desktop->start(program.dir.folder(), program.ini);
        QVERIFY(program.find<QPushButton>("cmdOpen")->isEnabled());
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
        QVERIFY2(!program.find<QMenu>("mnuJobs")->isEnabled(), "a run keeps the number it started with");

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
        // What the run waits for, and how long, stands on the status line.
        const QRegularExpression waiting(
            QStringLiteral("待機中 [1-4] 秒（%1）")
                .arg(QRegularExpression::escape(QString::fromStdString(program.server.url("/slow")))));
        QTRY_VERIFY(program.find<QLabel>("lblStatus")->text().contains(waiting));

        auto* cmdStop = program.find<QPushButton>("cmdStop");
        QElapsedTimer stopping;
        stopping.start();
        QTest::mouseClick(cmdStop, Qt::LeftButton);
        QCOMPARE(cmdStop->text(), QStringLiteral("開始"));
        QVERIFY2(!cmdStop->isEnabled(), "no start while the stopped run unwinds");
        QVERIFY(program.find<QLabel>("lblStatus")->text().contains(QStringLiteral("中断しています")));
        // The download is abandoned: the stop takes effect long before the server answers (the
        // aim is within a second; the slack is for a loaded machine).
        QTRY_VERIFY_WITH_TIMEOUT(program.idle(), 3000);
        QVERIFY2(stopping.elapsed() < 3000, qPrintable(QString::number(stopping.elapsed())));
        QVERIFY(program.find<QLabel>("lblStatus")->text().contains(QStringLiteral("中断しました")));
        QVERIFY(!program.find<QLabel>("lblStatus")->text().contains(QStringLiteral("待機中")));

        // Closing during a run waits for the run to unwind, then closes.
        QTest::mouseClick(cmdStop, Qt::LeftButton);
        QTRY_COMPARE(program.server.requestCount("/slow"), std::size_t{2});
        program.window().close();
        QVERIFY(program.window().isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!program.window().isVisible(), 15000);
        QVERIFY(program.idle());
        QVERIFY2(program.messages.infos.size() == 1, "a run ended by closing the window tells of no finished download");
        const std::string page = program.output("news.html");
        QCOMPARE(page.find("</html>"), page.rfind("</html>"));
    }

    void readMenuLoadsOnlyAChosenFile()
    {
        using Outcome = platform::FileDialogResult::Outcome;
        Program program;
        // No site list file for any day: nothing to edit until one is read.
        test::writeBytes(program.dir.path() / "vodeZeva.def", "1\t\r\n2\t\r\n3\t\r\n4\t\r\n5\t\r\n6\t\r\n7\t\r\n");
        program.desktop->start(program.dir.folder(), std::nullopt);
        QVERIFY(!program.find<QAction>("mnuEdit")->isEnabled());
        // Nothing to run, and the window says why instead of failing at the button.
        QVERIFY(!program.find<QPushButton>("cmdStop")->isEnabled());
        QVERIFY(program.find<QLabel>("lblStatus")->text().startsWith(QStringLiteral("今日の曜日には.iniファイルが")));
        const QString before = program.window().windowTitle();
        program.dialogs.results = {{Outcome::Cancelled, program.ini, u""},
                                   {Outcome::Failed, program.ini, u"no device"}};
        program.find<QAction>("mnuRead")->trigger();
        program.find<QAction>("mnuRead")->trigger();
        QVERIFY(!program.state.IniChosenByHand && program.state.CurrentIniPath != program.ini);
        QCOMPARE(program.window().windowTitle(), before);
        QCOMPARE(program.messages.alerts.size(), std::size_t{1});

        program.dialogs.results = {{Outcome::Chosen, program.ini, u""}};
        program.find<QAction>("mnuRead")->trigger();
        QCOMPARE(program.dialogs.asked[2].initialName, program.dir.folder() + u"*.ini");
        QVERIFY(program.state.IniChosenByHand && program.state.CurrentIniPath == program.ini);
        QCOMPARE(program.window().windowTitle(), QStringLiteral("vodeZeva  :  朝刊.ini"));
        QVERIFY(program.find<QAction>("mnuEdit")->isEnabled() && program.find<QPushButton>("cmdStop")->isEnabled());

        // After a run, another file is read: the window forgets the run it showed.
        QTest::mouseClick(program.find<QPushButton>("cmdStop"), Qt::LeftButton);
        QTRY_VERIFY(program.idle());
        QVERIFY(program.find<QLabel>("lblStatus")->text().contains(QStringLiteral("終了")));
        const std::u16string off = program.dir.folder() + u"off.ini";
        test::writeBytes(text::toPath(off),
                         "J\t0\t\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATETOPICFILES\r\n'A\thttp://a/\r\n");
        program.dialogs.results = {{Outcome::Chosen, off, u""}};
        program.find<QAction>("mnuRead")->trigger();
        QVERIFY(program.find<QLineEdit>("SiteName")->text().isEmpty() &&
                program.find<QProgressBar>("progress")->value() == 0);
        QVERIFY(!program.find<QPushButton>("cmdStop")->isEnabled());
        QVERIFY(
            program.find<QLabel>("lblStatus")->text().startsWith(QStringLiteral("チェックの入ったサイトがありません")));
    }

    void closingClosesTheOtherWindowsAndTheWindowKeepsItsPlace()
    {
        Program program;
        // Last time the window stood on a screen that is no longer there.
        test::writeBytes(program.dir.path() / "vodeZeva.win", "frmBrowser\t5000\t4000\t500\t260\r\n");
        program.desktop->start(program.dir.folder(), program.ini);
        const QRect screen = program.window().screen()->availableGeometry();
        QVERIFY2(screen.contains(program.window().geometry()), "kept on the screen");
        QCOMPARE(program.window().width(), 500);
        program.desktop->errorsWindow().appendLine(u"line\r\n");
        program.find<QAction>("mnuAbout")->trigger();
        QVERIFY(program.desktop->errorsWindow().isVisible());
        program.editors.maySayEnd = false; // unsaved edits the person keeps
        program.find<QAction>("mnuExit")->trigger();
        QVERIFY(program.window().isVisible() && program.editors.closedForShutdown == 0);
        program.editors.maySayEnd = true;
        program.find<QAction>("mnuExit")->trigger();
        QVERIFY(!program.window().isVisible());
        QVERIFY(!program.desktop->errorsWindow().isVisible() && !program.desktop->aboutWindow().isVisible());
        QCOMPARE(program.editors.closedForShutdown, 1);
        const QRect last = program.window().geometry();
        QVERIFY(test::readBytes(program.dir.path() / "vodeZeva.win")
                    .find(QStringLiteral("frmBrowser\t%1\t%2\t500\t").arg(last.x()).arg(last.y()).toStdString()) !=
                std::string::npos);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
