#include "cli/headless_command.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/headless_front_end.h"
#include "fakes/fake_fetcher.h"
#include "fakes/fake_front_end.h"
#include "gather/gathered_before.h"
#include "platform/cp932.h"
#include "platform/concurrent_fetcher.h"
#include "run/reporter.h"
#include "run/text.h"
#include "support/printed.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"

namespace vz::test {
namespace {

using namespace std::chrono_literals;

struct Printed
{
    int status = -1;
    std::string text;
};

// Runs the headless command once over a site list with one site per index page address; every
// site cuts its links between <ul> and </ul> and its articles between <h1>/<div> markers.
class HeadlessRunTest : public ::testing::Test
{
protected:
    HeadlessRunTest()
    {
        server.serve("/news/index.html", "<ul><a href=\"a1.html\">1</a> <a href=\"a2.html\">2</a></ul>");
        server.serve("/news/a1.html", "<h1>One</h1><div>first</div>");
        server.serve("/news/a2.html", "<h1>Two</h1><div>second</div>");
        server.serve("/dead/index.html", "<ul><a href=\"gone1.html\">1</a> <a href=\"gone2.html\">2</a></ul>");
        // No links: the run takes the base address itself for the article.
        server.serve("/empty/index.html", "<ul></ul>");
        server.serve("/empty/", "<p>no markers</p>");
        server.serve("/evil/index.html", "<ul><a href=\"x\x1b]2;owned\x07\x1b[2J\r.html\">1</a></ul>");
    }

    Printed run(const std::vector<std::string>& indexPaths, bool quiet = false)
    {
        std::string ini = "J\t0\t" + (home.path() / "data").string() + "/\tNOAUTO\tNODAILY\t\tNOCONTENTS\t\r\n";
        for (std::size_t n = 0; n < indexPaths.size(); ++n) {
            const std::string& path = indexPaths[n];
            ini += "S" + std::to_string(n) + "\t" + server.url(path) + "\t" +
                   server.url(path.substr(0, path.rfind('/') + 1)) + "\ts" + std::to_string(n) +
                   ".html\t<ul>\t</ul>\t<h1>\t</h1>\t<div>\t</div>\t\t\t\t\t\r\n";
        }
        writeBytes(home.path() / "sites.ini", ini);
        Printed printed;
        printed.text = printedBy([&](std::FILE* out) {
            cli::HeadlessFrontEnd frontEnd(out, false, quiet);
            printed.status = cli::runHeadless({home.folder(), home.folder() + u"sites.ini"}, frontEnd, clock, fetcher);
        });
        return printed;
    }

    std::u16string log() const { return platform::decodeCp932(readBytes(home.path() / "data" / "vodeZeva.log")); }

    TestHttpServer server;
    TempDir home;
    FakeClock clock;
    platform::ConcurrentFetcher fetcher{platform::ConcurrentSettings{8, 4, platform::CurlSettings{1s, 300ms}}};
};

TEST_F(HeadlessRunTest, TheExitStatusSaysWhetherAnythingWasGatheredAndEachCauseIsPrintedEscaped)
{
    const struct
    {
        const char* what;
        std::vector<std::string> indexPages;
        int status;
        std::vector<std::string> printed;
    } cases[] = {
        {"every index page fails",
         {"/status/404", "/slow"},
         3,
         {"HTTP ステータス 404（見つかりません）", "時間切れです"}},
        {"every article fails", {"/dead/index.html"}, 3, {"/dead/gone2.html: HTTP ステータス 404（見つかりません）"}},
        // Once said nothing at all; now the site's line says why.
        {"no article can be cut",
         {"/empty/index.html"},
         0,
         {"サイト「S0」から記事を 1 件も収集できませんでした。 : インデックスから切り出した部分に、記事のアドレス"}},
        {"a page's control characters", {"/evil/index.html"}, 3, {"x\\x1B]2;owned\\x07\\x1B[2J\\x0D.html"}},
        // Last: its log is read below.
        {"one gathers",
         {"/status/500", "/news/index.html"},
         0,
         {"500（サーバー内部のエラーです）", "S1: 取得 2、失敗 0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Printed printed = run(c.indexPages);
        EXPECT_EQ(printed.status, c.status) << printed.text;
        EXPECT_TRUE(std::ranges::all_of(printed.text, [](char ch) {
            return static_cast<unsigned char>(ch) >= 0x20 || ch == '\n';
        })) << "no control character reaches the terminal";
        for (const auto& cause : c.printed) {
            EXPECT_NE(printed.text.find(cause), std::string::npos) << printed.text;
        }
    }
    // The log keeps its lines as they always were: the cause is for the terminal only.
    const std::u16string failed = text::fromUtf8(server.url("/status/500"));
    EXPECT_NE(log().find(run::logLine(u"HTMLファイルがダウンロードできませんでした。", failed, u"", u"GetHTML")),
              std::u16string::npos);
    EXPECT_EQ(log().find(u"サーバー内部のエラーです"), std::u16string::npos);
}

TEST_F(HeadlessRunTest, QuietRunsPrintOnlyReportsUnderADatedHeading)
{
    EXPECT_EQ(run({"/news/index.html"}, true).text, "") << "a run that went well says nothing";

    const Printed bad = run({"/news/index.html", "/status/404"}, true);
    EXPECT_EQ(bad.status, 0);
    EXPECT_EQ(bad.text.rfind("vodezeva 2026/12/07 06:30:05", 0), 0U) << bad.text;
    EXPECT_NE(bad.text.find("HTMLファイルがダウンロードできませんでした。"), std::string::npos) << bad.text;
    EXPECT_NE(bad.text.find("HTTP ステータス 404（見つかりません）"), std::string::npos) << bad.text;
    for (const char* progress : {": 取得 ", "ダウンロードが終了しました。", "ページは"}) {
        EXPECT_EQ(bad.text.find(progress), std::string::npos) << progress << " in\n" << bad.text;
    }
}

// With only new articles asked for, a run skips what an earlier run of the site gathered: the
// second run fetches the one new article, the third, over an unchanged index, no article at all,
// and the site's page says there was nothing new rather than the site failing.
TEST_F(HeadlessRunTest, OnlyNewArticlesSkipsWhatEarlierRunsGathered)
{
    writeBytes(home.path() / "sites.ini.options", "onlynew=on\r\n");
    const auto page = [this] { return platform::decodeCp932(readBytes(home.path() / "data" / "s0.html")); };
    // Two rows over one index page are two sites: what one gathers the other still gathers.
    ASSERT_EQ(run({"/news/index.html", "/news/index.html"}).status, 0);
    EXPECT_NE(page().find(u"first"), std::u16string::npos);
    EXPECT_NE(platform::decodeCp932(readBytes(home.path() / "data" / "s1.html")).find(u"first"), std::u16string::npos);
    const std::size_t fetchedFirst = server.requestCount("/news/a1.html");

    server.serve("/news/index.html",
                 "<ul><a href=\"a3.html\">3</a> <a href=\"a1.html\">1</a> <a href=\"a2.html\">2</a></ul>");
    server.serve("/news/a3.html", "<h1>Three</h1><div>third</div>");
    for (int round = 0; round < 2; ++round) {
        const Printed printed = run({"/news/index.html"});
        EXPECT_EQ(printed.status, 0) << printed.text;
        EXPECT_EQ(printed.text.find("1 件も収集できませんでした"), std::string::npos) << printed.text;
        EXPECT_EQ(page().find(u"first"), std::u16string::npos);
        EXPECT_EQ(page().find(u"third") != std::u16string::npos, round == 0);
        EXPECT_EQ(page().find(gather::kNothingNew) != std::u16string::npos, round == 1);
    }
    EXPECT_EQ(server.requestCount("/news/a1.html"), fetchedFirst);
    EXPECT_EQ(server.requestCount("/news/a3.html"), 1U);
}

// A damaged cache file is said once, in the run that finds it and moves it aside; the run gathers
// as without it, and the next says nothing more.
TEST_F(HeadlessRunTest, ADamagedCacheFileIsReportedOnceAndTheRunGoesOn)
{
    writeBytes(home.path() / "vodeZeva.cache", std::string(4096, 'x'));
    const std::string said = "キャッシュファイルが壊れていたため";
    for (int round = 0; round < 2; ++round) {
        const Printed printed = run({"/news/index.html"});
        EXPECT_EQ(printed.status, 0) << printed.text;
        EXPECT_NE(printed.text.find("S0: 取得 2、失敗 0"), std::string::npos) << printed.text;
        EXPECT_EQ(printed.text.find(said) != std::string::npos, round == 0) << printed.text;
        EXPECT_EQ(printed.text.find(said), printed.text.rfind(said)) << "once";
    }
    EXPECT_EQ(readBytes(home.path() / "vodeZeva.cache.damaged"), std::string(4096, 'x'));
}

TEST(HeadlessCommand, ExitsNonZeroWhenNoRunCanBeMade)
{
    TempDir home;
    FakeClock clock;
    FakeFetcher fetcher;
    const std::string printed = printedBy([&](std::FILE* err) {
        cli::HeadlessFrontEnd frontEnd(err, false);
        cli::HeadlessOptions options{home.folder(), std::nullopt};
        EXPECT_EQ(cli::runHeadless(options, frontEnd, clock, fetcher), 1) << "a new default site list has no sites";
        EXPECT_TRUE(std::filesystem::exists(home.path() / "vodeZeva.def"));

        options.iniFile = home.folder() + u"typo.ini";
        EXPECT_EQ(cli::runHeadless(options, frontEnd, clock, fetcher), 2);
        EXPECT_FALSE(std::filesystem::exists(home.path() / "typo.ini"));

        options.iniFile = home.folder() + u"off.ini";
        writeBytes(home.path() / "off.ini",
                   "J\t0\t" + text::toUtf8(home.folder()) + "out\r\n'S\thttp://x.test/\r\n\r\n");
        EXPECT_EQ(cli::runHeadless(options, frontEnd, clock, fetcher), 1)
            << "only a switched-off site and a blank line";
        options.iniFile.reset();

        writeBytes(home.path() / "vodeZeva.def", "1\t\r\n");
        EXPECT_EQ(cli::runHeadless(options, frontEnd, clock, fetcher), 1) << "no site list for today";

        options.iniFile = home.folder() + u"elsewhere.ini";
        writeBytes(home.path() / "elsewhere.ini",
                   "J\t0\t" + text::toUtf8(home.folder()) + "out\r\nS\thttp://x.test/\t\ts.html\t\t\t<h1>\t</h1>\r\n");
        fetcher.resources["http://x.test/"] = "<p>no headline</p>";
        EXPECT_EQ(cli::runHeadless(options, frontEnd, clock, fetcher), 0) << "failed articles still make a run";
    });
    for (const char* said :
         {"vodeZeva.ini に収集するサイトがありません", "off.ini に収集するサイトがありません",
          "今日のサイトリストファイルが", "S: 取得 0、失敗 1", "typo.ini: サイトリストファイルがありません"}) {
        EXPECT_NE(printed.find(said), std::string::npos) << said << " in\n" << printed;
    }
}

} // namespace
} // namespace vz::test
