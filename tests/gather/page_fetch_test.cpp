#include "gather/page_fetch.h"

#include <chrono>
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "platform/concurrent_fetcher.h"
#include "run/text.h"
#include "support/reporting_fixture.h"
#include "support/test_http_server.h"
#include "test_paths.h"

namespace vz::test {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::Key;
using text::fromUtf8;
using text::u;

const std::u16string kNotDownloaded = u"HTMLファイルがダウンロードできませんでした。";

std::u16string expectedNews()
{
    return fromUtf8(readBytes(std::filesystem::path(kDataDir) / "news_expected.txt"));
}

class PageFetchTest : public ::testing::Test, public Reporting
{
protected:
    std::u16string url(const std::string& path) const { return fromUtf8(server.url(path)); }
    std::u16string log() const { return platform::decodeCp932(readBytes(reporter.logPath())); }

    TestHttpServer server;
    platform::ConcurrentFetcher transfers{
        platform::ConcurrentSettings{8, 4, platform::CurlSettings{1s, 300ms, 1 << 20}}};
    gather::LookAhead ahead{transfers, 8, 1 << 20, nullptr};
    gather::PageFetcher fetcher{reporter, ahead, fe, &fe};
};

TEST_F(PageFetchTest, PagesInEveryJapaneseEncodingComeBackAsTheSameText)
{
    for (const char* file :
         {"news_euc-jp.html", "news_iso-2022-jp.html", "news_shift_jis.html", "news_utf-16le.html"}) {
        SCOPED_TRACE(file);
        const int yields = fe.yields;
        EXPECT_EQ(fetcher.GetHTML(url(std::string("/data/") + file)), expectedNews());
        EXPECT_EQ(fe.yields, yields + 1);
    }
    EXPECT_TRUE(fe.errorLines.empty());
    EXPECT_TRUE(filesUnder(dir.path()).empty()) << "pages are read without a file";
}

TEST_F(PageFetchTest, TheServersCharsetIsHonoured)
{
    const std::string menu = readBytes(std::filesystem::path(kDataDir) / "menu_windows-1252.html");
    server.serve("/menu", menu.substr(menu.find("<title>")), "text/html; charset=ISO-8859-1");
    EXPECT_NE(fetcher.GetHTML(url("/menu")).find(u"Caf&#233; cr&#232;me"), std::u16string::npos);
}

// After each fault: one report, an empty page, no file left, the cause told to the front end,
// and the next good page whole, with nothing of the page before the fault.
TEST_F(PageFetchTest, EveryServerFaultGivesOneReportItsCauseAndAnEmptyPage)
{
    const std::string refused = [] {
        TestHttpServer gone;
        return gone.url("/data/news_utf-8.html");
    }();
    const struct
    {
        std::string url;
        std::u16string cause;
    } faults[] = {
        {server.url("/status/404"), u"HTTP ステータス 404（見つかりません）"},
        {server.url("/slow"), u"時間切れです"},
        {server.url("/oversize"), u"上限の 1048576 バイトを超えています"},
        {refused, u"サーバーに接続できません"},
    };
    server.serve("/first", "<p>the previous page</p>");
    for (const auto& [fault, cause] : faults) {
        SCOPED_TRACE(fault);
        ASSERT_EQ(fetcher.GetHTML(url("/first")), u"<p>the previous page</p>");
        fe.errorLines.clear();
        fe.failedDownloads.clear();
        const int yields = fe.yields;

        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(fetcher.GetHTML(fromUtf8(fault)), u"");
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
        EXPECT_EQ(fe.yields, yields + 1);
        EXPECT_EQ(fe.errorLines,
                  std::vector<std::u16string>{run::errorListLine(kNotDownloaded, fromUtf8(fault), u"", u"GetHTML")});
        EXPECT_NE(log().find(run::logLine(kNotDownloaded, fromUtf8(fault), u"", u"GetHTML")), std::u16string::npos);
        ASSERT_EQ(fe.failedDownloads.size(), 1U);
        EXPECT_EQ(fe.failedDownloads[0].rfind(fromUtf8(fault) + u": ", 0), 0U) << text::toUtf8(fe.failedDownloads[0]);
        EXPECT_NE(fe.failedDownloads[0].find(cause), std::u16string::npos) << text::toUtf8(fe.failedDownloads[0]);
        EXPECT_THAT(filesUnder(dir.path()), ElementsAre(Key("vodeZeva.log")));

        fe.failedDownloads.clear();
        EXPECT_EQ(fetcher.GetHTML(url("/data/news_euc-jp.html")), expectedNews());
        EXPECT_TRUE(fe.failedDownloads.empty()) << "a good page is no failure";
    }
}

// The first article, fetched for the page head, is handed out again as the article.
TEST_F(PageFetchTest, APageHandedOutAgainIsNotFetchedAgainButReportedAgain)
{
    for (const std::string path : {"/data/news_euc-jp.html", "/status/404"}) {
        const gather::Page first = fetcher.fetchPage(url(path));
        fe.errorLines.clear();
        const int yields = fe.yields;
        const gather::Page again = fetcher.again(url(path), first);
        EXPECT_EQ(again.text, first.text);
        EXPECT_EQ(fe.yields, yields + 1);
        EXPECT_EQ(fe.errorLines.size(), first.fetched ? 0U : 1U);
        EXPECT_EQ(server.requestCount(path), 1U);
    }
}

} // namespace
} // namespace vz::test
