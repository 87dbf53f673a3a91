#include "session/run_control.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <mutex>
#include <optional>
#include <thread>

#include <unistd.h>

#include <gtest/gtest.h>

#include "fakes/fake_fetcher.h"
#include "fakes/fake_front_end.h"
#include "fakes/queued_window_thread.h"
#include "platform/concurrent_fetcher.h"
#include "platform/cp932.h"
#include "run/text.h"
#include "session/session.h"
#include "session/window_calls.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"

namespace vz::test {
namespace {

using session::RunPhase;

/// Holds the first fetch of one address until released.
class HeldFetcher final : public FakeFetcher
{
public:
    void waitUntilHeld() { m_entered.get_future().wait(); }
    void release() { m_release.set_value(); }

    std::string held;

protected:
    platform::Fetched serve(const std::string& url) override
    {
        if (url == held && !m_wasHeld.exchange(true)) {
            m_entered.set_value();
            m_released.wait();
        }
        return FakeFetcher::serve(url);
    }

private:
    std::atomic<bool> m_wasHeld{false};
    std::promise<void> m_entered, m_release;
    std::shared_future<void> m_released = m_release.get_future().share();
};

class RunControlTest : public ::testing::Test
{
protected:
    RunControlTest()
        : calls({fe, fe, fe, fe}, window), session(state, clock, fetcher, {calls, calls, calls, calls}),
          control(session.driver(), window)
    {
        std::string sites;
        for (const char* key : {"a", "b"}) {
            std::string list = "<!--list-->";
            for (int i = 1; i <= 3; ++i) {
                const std::string file = std::string(key) + std::to_string(i) + ".html";
                list += "<a href=\"" + file + "\">x</a>";
                fetcher.resources["http://news.test/" + file] =
                    platform::encodeCp932(u"<h1>見出し</h1><div>本文" + text::fromUtf8(file) + u"</div>").bytes;
            }
            fetcher.resources["http://news.test/" + std::string(key) + ".idx"] = list + "<!--/list-->";
            sites += std::string(key) + "\thttp://news.test/" + key + ".idx\thttp://news.test/\t" + key +
                     ".html\t<!--list-->\t<!--/list-->\t<h1>\t</h1>\t<div>\t</div>\r\n";
        }
        writeBytes(dir.path() / "sites.ini", "J\t0\t" + text::toUtf8(dir.folder()) +
                                                 "data\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATETOPICFILES\r\n" +
                                                 sites);
        session.state().ProgramFolder = dir.folder();
        session.state().CurrentIniPath = dir.folder() + u"sites.ini";
    }

    std::string output(const char* name) const { return readBytes(dir.path() / "data" / name); }

    TempDir dir;
    FakeClock clock;
    FakeFrontEnd fe;
    QueuedWindowThread window;
    run::RunState state;
    HeldFetcher fetcher;
    session::WindowCalls calls;
    session::Session session;
    session::RunControl control;
};

TEST_F(RunControlTest, StopThenStartDuringOneArticleStartsNothingUntilTheRunHasEnded)
{
    // The second article of the first site hangs while stop and start are clicked.
    fetcher.held = "http://news.test/a2.html";
    int ended = 0;
    ASSERT_TRUE(control.start([&](bool ran) {
        EXPECT_TRUE(ran);
        ++ended;
    }));
    EXPECT_EQ(control.phase(), RunPhase::Running);
    fetcher.waitUntilHeld();

    EXPECT_TRUE(control.stop());
    EXPECT_FALSE(control.start({})) << "a start while the run unwinds";
    EXPECT_FALSE(control.stop()) << "already stopping";
    EXPECT_EQ(control.phase(), RunPhase::Stopping);
    fetcher.release();
    ASSERT_TRUE(window.pumpUntil([&] { return ended == 1; }));
    EXPECT_EQ(control.phase(), RunPhase::Idle);

    const std::string page = output("a.html");
    EXPECT_NE(page.find("a1.html"), std::string::npos);
    EXPECT_EQ(page.find("a2.html"), std::string::npos) << "the article under way is abandoned";
    EXPECT_EQ(page.find("</html>"), page.rfind("</html>")) << "one run, one page end";
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "data" / "b.html")) << "the later site is not started";
    EXPECT_FALSE(session.state().Running);
    EXPECT_EQ(fe.stopCaptions.back(), u"開始");
    EXPECT_EQ(fe.infos, std::vector<std::u16string>{u"ダウンロードが終了しました。"});

    // Idle again: the button starts a whole new run.
    ASSERT_TRUE(control.start([&](bool) { ++ended; }));
    ASSERT_TRUE(window.pumpUntil([&] { return ended == 2; }));
    EXPECT_NE(output("b.html").find("b3.html"), std::string::npos);
    EXPECT_EQ(fe.sites, (std::vector<std::u16string>{u"a 1/0", u"a 3/0", u"b 3/0"}));
}

// The program closing while the run waits for a message box: the run is released unanswered and
// joined, and nothing it handed over reaches the windows afterwards.
TEST_F(RunControlTest, ClosingWhileTheRunWaitsForAMessageBoxEndsCleanly)
{
    std::optional<session::RunControl> closing(std::in_place, session.driver(), window);
    ASSERT_TRUE(closing->start({}));
    // The end caption is the run's last post before its end message, which then waits unanswered.
    ASSERT_TRUE(window.pumpUntil([&] { return !fe.stopCaptions.empty() && fe.stopCaptions.back() == u"開始"; }));
    while (window.queued() == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    closing.reset();

    EXPECT_EQ(session.driver().phase(), RunPhase::Idle);
    EXPECT_NE(output("b.html").find("b3.html"), std::string::npos) << "the run had ended";
    window.pumpUntil([] { return false; }, std::chrono::milliseconds(20));
    EXPECT_TRUE(fe.infos.empty()) << "the message nobody was left to see";
}

// The stop button while a server never answers, through the real fetcher: what is under way is
// abandoned at once and the page gathered so far is closed and put in place.
TEST(RunControl, AStopWhileATransferHangsTakesEffectAtOnceAndClosesThePage)
{
    TestHttpServer server;
    std::atomic<bool> hung{false};
    std::atomic<bool> answer{false};
    server.serve("/idx", "<!--list--><a href=\"a1.html\">1</a><a href=\"a2.html\">2</a><!--/list-->");
    server.serve("/a1.html", "<h1>one</h1><div>first</div>");
    server.handle("/a2.html", [&](const httplib::Request&, httplib::Response& response) {
        hung = true;
        for (int waited = 0; waited < 800 && !answer; ++waited) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        response.set_content("<h1>two</h1><div>late</div>", "text/html");
    });
    TempDir dir;
    writeBytes(dir.path() / "sites.ini", "J\t0\t" + text::toUtf8(dir.folder()) +
                                             "data\tNOAUTO\tNODAILY\t\tNOCONTENTS\t\r\n" + "a\t" + server.url("/idx") +
                                             "\t" + server.url("/") +
                                             "\ta.html\t<!--list-->\t<!--/list-->\t<h1>\t</h1>\t<div>\t</div>\r\n");
    std::filesystem::create_directories(dir.path() / "data");
    writeBytes(dir.path() / "data" / "a.html", "yesterday");
    FakeClock clock;
    FakeFrontEnd fe;
    QueuedWindowThread window;
    run::RunState state;
    // One transfer at a time, so the second article is fetched only when its turn comes.
    platform::ConcurrentFetcher fetcher(platform::ConcurrentSettings{1, 1, {}});
    session::WindowCalls calls({fe, fe, fe, fe}, window);
    session::Session session(state, clock, fetcher, {calls, calls, calls, calls});
    session::RunControl control(session.driver(), window);
    session.values().jobs = 1;
    state.ProgramFolder = dir.folder();
    state.CurrentIniPath = dir.folder() + u"sites.ini";

    bool ended = false;
    ASSERT_TRUE(control.start([&](bool) { ended = true; }));
    // The status line is told what the run waits for while it waits.
    ASSERT_TRUE(window.pumpUntil([&] { return hung && !fe.waits.empty(); }, std::chrono::seconds(5)));
    EXPECT_EQ(fe.waits.front(), text::fromUtf8(server.url("/a2.html")) + u" 1");
    const auto stopped = std::chrono::steady_clock::now();
    ASSERT_TRUE(control.stop());
    ASSERT_TRUE(window.pumpUntil([&] { return ended; }, std::chrono::seconds(5)));
    // Within a second is the aim; the slack is for a loaded machine.
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, std::chrono::seconds(3));
    EXPECT_EQ(fe.waits.back(), u"") << "the wait is over";
    const std::string page = readBytes(dir.path() / "data" / "a.html");
    EXPECT_NE(page.find("first"), std::string::npos) << page;
    EXPECT_EQ(page.find("late"), std::string::npos) << page;
    EXPECT_TRUE(page.ends_with("</html>\r\n")) << page;
    EXPECT_EQ(fe.sites, std::vector<std::u16string>{u"a 1/0"});
    answer = true;
}

// One desktop program per program folder; the one that holds it clears what a save that was killed
// half-way left there.
TEST(ProgramFolder, OneDesktopProgramAtATimeClearsWhatAKilledSaveLeft)
{
    TempDir dir;
    writeBytes(dir.path() / "vodeZeva.def.tmp-42", "half a table");
    platform::FileLock first;
    EXPECT_EQ(session::takeProgramFolder(dir.folder(), first), std::nullopt);
    EXPECT_TRUE(first.held());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "vodeZeva.def.tmp-42"));

    platform::FileLock second;
    EXPECT_EQ(session::takeProgramFolder(dir.folder(), second),
              u"vodeZeva はこのプログラムフォルダですでに起動しています（プロセス " +
                  text::number(static_cast<long long>(::getpid())) + u"）。\n" + dir.folder());
    EXPECT_FALSE(second.held());
}

} // namespace
} // namespace vz::test
