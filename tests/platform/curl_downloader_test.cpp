#include "platform/curl_downloader.h"

#include <chrono>
#include <filesystem>
#include <string>

#include <curl/curl.h>
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "support/test_http_server.h"
#include "test_paths.h"
#include "version.h"

namespace vz::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const fs::path kNews = fs::path(kDataDir) / "news_utf-8.html";

class CurlDownloaderTest : public ::testing::Test
{
protected:
    std::string target() const { return (dir.path() / "page.html").string(); }

    TestHttpServer server;
    TempDir dir;
    platform::CurlDownloader downloader{platform::CurlSettings{2s, 3s}};
};

// Plain, compressed and redirected answers and a file address.
TEST_F(CurlDownloaderTest, WritesTheBodyOfEveryAnswerAndTellsTheContentType)
{
    for (const std::string& url : {server.url("/data/news_utf-8.html"), server.url("/gzip"), server.url("/deflate"),
                                   server.url("/redirect/10"), "file://" + kNews.string()}) {
        SCOPED_TRACE(url);
        fs::remove(target());
        const auto result = downloader.download(url, target());
        ASSERT_EQ(result.status, 0) << result.description;
        EXPECT_EQ(readBytes(target()), readBytes(kNews));
        EXPECT_EQ(result.contentType, url.starts_with("http") ? "text/html" : "");
    }
    const auto requests = server.received();
    ASSERT_EQ(requests.size(), 14U);
    EXPECT_EQ(requests[1].remotePort, requests[0].remotePort) << "the connection is kept open";
    for (const auto& request : requests) {
        EXPECT_EQ(request.headers.find("User-Agent")->second, std::string("vodeZeva/") + vz::kVersion);
        EXPECT_NE(request.headers.find("Accept-Encoding")->second.find("gzip"), std::string::npos);
    }
}

// Every way a download can fail is reported in time and leaves the target as it was and
// nothing beside it.
TEST_F(CurlDownloaderTest, AFailedDownloadLeavesTheTargetAsItWas)
{
    const std::string refused = TestHttpServer().url("/data/news_utf-8.html");
    constexpr std::uint64_t kMax = 64ULL * 1024 * 1024;
    const struct
    {
        std::string url;
        int status;
        std::uint64_t maxBody = kMax;
        std::chrono::milliseconds timeout = 3s;
        bool abort = false; ///< the abort check answers true after 100 ms
        std::string says = {};
    } faults[] = {
        {server.url("/status/404"), 404, kMax, 3s, false, "HTTP status 404 Not Found"},
        {server.url("/status/500"), 500, kMax, 3s, false, "HTTP status 500 Internal Server Error"},
        {server.url("/redirect-loop"), CURLE_TOO_MANY_REDIRECTS},
        {server.url("/redirect/11"), CURLE_TOO_MANY_REDIRECTS},
        {server.url("/redirect-to-file"), CURLE_UNSUPPORTED_PROTOCOL},
        {server.url("/slow"), CURLE_OPERATION_TIMEDOUT, kMax, 300ms},
        {server.url("/slow"), CURLE_ABORTED_BY_CALLBACK, kMax, 3s, true},
        {server.url("/oversize"), CURLE_FILESIZE_EXCEEDED},
        {server.url("/oversize-chunked"), CURLE_FILESIZE_EXCEEDED, 1024 * 1024},
        {server.url("/gzip"), CURLE_FILESIZE_EXCEEDED, 400}, // over the limit once decoded
        {server.url("/dropped"), CURLE_PARTIAL_FILE},
        {refused, CURLE_COULDNT_CONNECT},
        {"file://" + (dir.path() / "missing.html").string(), CURLE_FILE_COULDNT_READ_FILE},
        {"gopher://127.0.0.1/", CURLE_UNSUPPORTED_PROTOCOL},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.url);
        writeBytes(target(), "the previous page");
        downloader.setMaxBodyBytes(fault.maxBody);
        downloader.setTimeout(fault.timeout);
        const auto start = std::chrono::steady_clock::now();
        downloader.setAbortCheck(
            [&] { return fault.abort && std::chrono::steady_clock::now() - start > std::chrono::milliseconds(100); });
        const auto result = downloader.download(fault.url, target());
        EXPECT_LT(std::chrono::steady_clock::now() - start, fault.timeout + 1s);
        EXPECT_EQ(result.status, fault.status) << result.description;
        EXPECT_FALSE(result.description.empty());
        EXPECT_NE(result.description.find(fault.says), std::string::npos) << result.description;
        EXPECT_EQ(readBytes(target()), "the previous page");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1) << "a temporary file is left";
    }
    const auto result = downloader.download(server.url("/data/news_utf-8.html"), (dir.path() / "no/dir").string());
    EXPECT_EQ(result.status, CURLE_WRITE_ERROR);
    EXPECT_NE(result.description.find("no/dir"), std::string::npos);
}

TEST_F(CurlDownloaderTest, SendsSpacesAndNonAsciiCharactersEscaped)
{
    server.serve("/a b/ニュース.html", "found");
    const auto result = downloader.download(server.url("/a b/ニュース.html") + "\r\n", target());
    ASSERT_EQ(result.status, 0) << result.description;
    EXPECT_EQ(readBytes(target()), "found");
    EXPECT_EQ(platform::escapeUrl(" http://h/a b/\xE3\x83\x8B?q=1\t"), "http://h/a%20b/%E3%83%8B?q=1");
}

} // namespace
} // namespace vz::test
