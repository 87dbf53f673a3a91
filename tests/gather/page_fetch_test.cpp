#include "gather/page_fetch.h"

#include <chrono>
#include <filesystem>
#include <set>
#include <stdexcept>

#include <gtest/gtest.h>

#include "fakes/fake_front_end.h"
#include "platform/cp932.h"
#include "platform/curl_downloader.h"
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
    PageFetchTest()
        : downloader(platform::CurlSettings{1s, 300ms}), reporter(state, fe, fe),
          fetcher(state, reporter, downloader, fe, &fe)
    {
        state.DataPath = data.folder();
    }

    std::u16string url(const std::string& path) const { return fromUtf8(server.url(path)); }
    std::u16string log() const { return platform::decodeCp932(readBytes(reporter.logPath())); }

    TestHttpServer server;
    TempDir data;
    platform::CurlDownloader downloader;
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
    EXPECT_EQ(filesIn(data.path()), std::set<std::string>{"raw.tmp"});
    EXPECT_EQ(fetcher.rawPath(), data.folder() + u"raw.tmp");
}

TEST_F(PageFetchTest, TheServersCharsetIsHonoured)
{
    const std::string menu = readBytes(std::filesystem::path(kDataDir) / "menu_windows-1252.html");
    server.serve("/menu", menu.substr(menu.find("<title>")), "text/html; charset=ISO-8859-1");
    EXPECT_NE(fetcher.GetHTML(url("/menu")).find(u"Caf&#233; cr&#232;me"), std::u16string::npos);
}

// After each fault: one report, unchanged, an empty page, nothing left beside raw.tmp, the cause
// told to the front end, and the next good page whole, with nothing of the page before the fault.
TEST_F(PageFetchTest, EveryServerFaultGivesOneReportItsCauseAndAnEmptyPage)
{
    downloader.setMaxBodyBytes(1024 * 1024);
    const std::string refused = [] {
        TestHttpServer gone;
        return gone.url("/data/news_utf-8.html");
    }();
    const struct
    {
        std::string url;
        std::u16string cause;
    } faults[] = {
        {server.url("/status/404"), u"HTTP status 404 Not Found"},
        {server.url("/status/500"), u"HTTP status 500 Internal Server Error"},
        {server.url("/redirect-loop"), u"redirect"},
        {server.url("/slow"), u"timed out"},
        {server.url("/oversize"), u"larger than 1048576 bytes"},
        {server.url("/oversize-chunked"), u"larger than 1048576 bytes"},
        {server.url("/dropped"), u"bytes remaining"},
        {refused, u"onnect"},
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
        EXPECT_EQ(filesIn(data.path()), (std::set<std::string>{"raw.tmp", "vodeZeva.log"}));

        fe.failedDownloads.clear();
        EXPECT_EQ(fetcher.GetHTML(url("/data/news_euc-jp.html")), expectedNews());
        EXPECT_TRUE(fe.failedDownloads.empty()) << "a good page is no failure";
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
    gather::PageFetcher broken(state, reporter, throwing, fe);
    const std::u16string target = data.folder() + u"picture.jpg";
    EXPECT_EQ(broken.DownloadFile(u"http://example.invalid/a.jpg", target), gather::kDownloadRaised);
    EXPECT_EQ(fe.errorLines.back(), run::errorListLine(u"the download library is missing",
                                                       u"http://example.invalid/a.jpg", target, u"DownloadFile"));

    writeBytes(data.path() / "raw.tmp", "<p>the previous page</p>");
    fe.errorLines.clear();
    EXPECT_EQ(broken.GetHTML(u"http://example.invalid/"), u"");
    ASSERT_EQ(fe.errorLines.size(), 2U);
    EXPECT_EQ(fe.errorLines[1], run::errorListLine(kNotDownloaded, u"http://example.invalid/", u"", u"GetHTML"));
}

TEST_F(PageFetchTest, DownloadFileWritesTheFileAndReadConvertedReadsIt)
{
    const std::u16string target = data.folder() + u"kept.html";
    EXPECT_EQ(fetcher.DownloadFile(url("/data/news_iso-2022-jp.html"), target), 0);
    EXPECT_EQ(fetcher.ReadConverted(target), expectedNews());
    EXPECT_NE(fetcher.DownloadFile(url("/status/404"), target), 0);
    EXPECT_EQ(fetcher.ReadConverted(data.folder() + u"missing.html"), u"");
    EXPECT_TRUE(fe.errorLines.empty()) << "DownloadFile leaves reporting a failed status to its caller";
}

} // namespace
} // namespace vz::test
