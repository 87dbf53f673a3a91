#include "gather/page_fetch.h"

#include <chrono>
#include <filesystem>
#include <set>
#include <stdexcept>

#include <gtest/gtest.h>

#include "fakes/fake_front_end.h"
#include "platform/cp932.h"
#include "platform/concurrent_fetcher.h"
#include "platform/downloader_fetcher.h"
#include "run/text.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"
#include "test_paths.h"

namespace vz::test {
namespace {

using namespace std::chrono_literals;
using text::fromUtf8;
using text::u;

const std::u16string kNotDownloaded = u"HTMLファイルがダウンロードできませんでした。";

std::u16string expectedNews()
{
    return fromUtf8(readBytes(std::filesystem::path(kDataDir) / "news_expected.txt"));
}

std::set<std::string> filesIn(const std::filesystem::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

class PageFetchTest : public ::testing::Test
{
protected:
    PageFetchTest() : reporter(state, fe, fe), fetcher(reporter, ahead, fe) { state.DataPath = data.folder(); }

    std::u16string url(const std::string& path) const { return fromUtf8(server.url(path)); }
    std::u16string log() const { return platform::decodeCp932(readBytes(reporter.logPath())); }

    TestHttpServer server;
    TempDir data;
    platform::ConcurrentFetcher transfers{
        platform::ConcurrentSettings{8, 4, platform::CurlSettings{1s, 300ms, 1 << 20}}};
    gather::LookAhead ahead{transfers, 8, 1 << 20, nullptr};
    run::RunState state;
    FakeFrontEnd fe;
    run::Reporter reporter;
    gather::PageFetcher fetcher;
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
    EXPECT_TRUE(filesIn(data.path()).empty()) << "pages are read without a file";
}

TEST_F(PageFetchTest, TheServersCharsetIsHonoured)
{
    const std::string menu = readBytes(std::filesystem::path(kDataDir) / "menu_windows-1252.html");
    server.serve("/menu", menu.substr(menu.find("<title>")), "text/html; charset=ISO-8859-1");
    EXPECT_NE(fetcher.GetHTML(url("/menu")).find(u"Caf&#233; cr&#232;me"), std::u16string::npos);
}

// After each fault: one report, an empty page, no file left, and the next good page whole, with
// nothing of the page before the fault.
TEST_F(PageFetchTest, EveryServerFaultGivesOneReportAndAnEmptyPage)
{
    const std::string refused = [] {
        TestHttpServer gone;
        return gone.url("/data/news_utf-8.html");
    }();
    const std::string faults[] = {
        server.url("/status/404"), server.url("/status/500"),       server.url("/redirect-loop"), server.url("/slow"),
        server.url("/oversize"),   server.url("/oversize-chunked"), server.url("/dropped"),       refused};
    server.serve("/first", "<p>the previous page</p>");
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault);
        ASSERT_EQ(fetcher.GetHTML(url("/first")), u"<p>the previous page</p>");
        fe.errorLines.clear();
        const int yields = fe.yields;

        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(fetcher.GetHTML(fromUtf8(fault)), u"");
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
        EXPECT_EQ(fe.yields, yields + 1);
        EXPECT_EQ(fe.errorLines,
                  std::vector<std::u16string>{run::errorListLine(kNotDownloaded, fromUtf8(fault), u"", u"GetHTML")});
        EXPECT_NE(log().find(run::logLine(kNotDownloaded, fromUtf8(fault), u"", u"GetHTML")), std::u16string::npos);
        EXPECT_EQ(filesIn(data.path()), (std::set<std::string>{"vodeZeva.log"}));

        EXPECT_EQ(fetcher.GetHTML(url("/data/news_euc-jp.html")), expectedNews());
    }
}

class ThrowingDownloader : public platform::Downloader
{
public:
    platform::DownloadResult download(const std::string&, const std::string&) override
    {
        throw std::runtime_error("the download library is missing");
    }
};

TEST_F(PageFetchTest, ADownloadThatRaisesIsReportedAndNeverTakenForSuccess)
{
    ThrowingDownloader throwing;
    platform::DownloaderFetcher oneByOne(throwing, (data.path() / "raw.tmp").string());
    gather::LookAhead single(oneByOne, 1, 1 << 20, nullptr);
    gather::PageFetcher broken(reporter, single, fe);
    writeBytes(data.path() / "raw.tmp", "<p>the previous page</p>");
    EXPECT_EQ(broken.GetHTML(u"http://example.invalid/"), u"");
    EXPECT_EQ(fe.errorLines, (std::vector<std::u16string>{
                                 run::errorListLine(u"the download library is missing", u"http://example.invalid/", u"",
                                                    u"DownloadFile"),
                                 run::errorListLine(kNotDownloaded, u"http://example.invalid/", u"", u"GetHTML")}));
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
