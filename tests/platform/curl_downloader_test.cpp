#include "platform/curl_downloader.h"

#include <chrono>
#include <filesystem>
#include <set>
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
using platform::CurlDownloader;

std::string sample(const std::string& name)
{
    return readBytes(std::filesystem::path(kDataDir) / name);
}

std::set<std::string> filesIn(const std::filesystem::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

class CurlDownloaderTest : public ::testing::Test
{
protected:
    CurlDownloaderTest() : downloader(platform::CurlSettings{2s, 3s}) {}

    std::string target() const { return (dir.path() / "page.html").string(); }

    TestHttpServer server;
    TempDir dir;
    CurlDownloader downloader;
};

TEST_F(CurlDownloaderTest, WritesTheBodyAndTellsTheContentTypeAndItself)
{
    const auto result = downloader.download(server.url("/data/news_euc-jp.html"), target());
    ASSERT_EQ(result.status, 0) << result.description;
    EXPECT_EQ(readBytes(target()), sample("news_euc-jp.html"));
    EXPECT_EQ(result.contentType, "text/html");
    const auto request = server.received().back();
    EXPECT_EQ(request.headers.find("User-Agent")->second, std::string("vodeZeva/") + vz::kVersion);
    EXPECT_NE(request.headers.find("Accept-Encoding")->second.find("gzip"), std::string::npos);
}

TEST_F(CurlDownloaderTest, DecodesCompressedBodiesAndFollowsTenRedirects)
{
    for (const char* path : {"/gzip", "/deflate", "/redirect/10"}) {
        SCOPED_TRACE(path);
        std::filesystem::remove(target());
        const auto result = downloader.download(server.url(path), target());
        ASSERT_EQ(result.status, 0) << result.description;
        EXPECT_EQ(readBytes(target()), sample("news_utf-8.html"));
    }
}

TEST_F(CurlDownloaderTest, KeepsTheConnectionOpenBetweenDownloads)
{
    ASSERT_EQ(downloader.download(server.url("/data/news_utf-8.html"), target()).status, 0);
    ASSERT_EQ(downloader.download(server.url("/data/news_shift_jis.html"), target()).status, 0);
    const auto requests = server.received();
    ASSERT_EQ(requests.size(), 2U);
    EXPECT_EQ(requests[0].remotePort, requests[1].remotePort);
}

struct Fault
{
    std::string name;
    std::string url;
    int status;
    std::uint64_t maxBody = 64ULL * 1024 * 1024;
    std::chrono::milliseconds timeout = 3s;
};

// Every way a download can fail leaves the target as it was and nothing beside it.
TEST_F(CurlDownloaderTest, AFailedDownloadLeavesTheTargetAsItWas)
{
    const std::string refused = [] {
        TestHttpServer gone;
        return gone.url("/data/news_utf-8.html");
    }();
    const Fault faults[] = {
        {"not found", server.url("/status/404"), 404},
        {"server error", server.url("/status/500"), 500},
        {"redirect loop", server.url("/redirect-loop"), CURLE_TOO_MANY_REDIRECTS},
        {"eleven redirects", server.url("/redirect/11"), CURLE_TOO_MANY_REDIRECTS},
        {"redirect into the file system", server.url("/redirect-to-file"), CURLE_UNSUPPORTED_PROTOCOL},
        {"slow answer", server.url("/slow"), CURLE_OPERATION_TIMEDOUT, 64ULL * 1024 * 1024, 300ms},
        {"announced over-size body", server.url("/oversize"), CURLE_FILESIZE_EXCEEDED},
        {"streamed over-size body", server.url("/oversize-chunked"), CURLE_FILESIZE_EXCEEDED, 1024 * 1024},
        {"body over the limit once decoded", server.url("/gzip"), CURLE_FILESIZE_EXCEEDED, 400},
        {"connection dropped mid-body", server.url("/dropped"), CURLE_PARTIAL_FILE},
        {"connection refused", refused, CURLE_COULDNT_CONNECT},
        {"missing local file", "file://" + (dir.path() / "missing.html").string(), CURLE_FILE_COULDNT_READ_FILE},
        {"unsupported scheme", "gopher://127.0.0.1/", CURLE_UNSUPPORTED_PROTOCOL},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.name);
        writeBytes(target(), "the previous page");
        downloader.setMaxBodyBytes(fault.maxBody);
        downloader.setTimeout(fault.timeout);
        const auto start = std::chrono::steady_clock::now();
        const auto result = downloader.download(fault.url, target());
        EXPECT_LT(std::chrono::steady_clock::now() - start, fault.timeout + 1s);
        EXPECT_EQ(result.status, fault.status) << result.description;
        EXPECT_FALSE(result.description.empty());
        EXPECT_EQ(readBytes(target()), "the previous page");
        EXPECT_EQ(filesIn(dir.path()), std::set<std::string>{"page.html"});
    }
}

TEST_F(CurlDownloaderTest, ATargetThatCannotBeWrittenIsAFailure)
{
    const auto result = downloader.download(server.url("/data/news_utf-8.html"), (dir.path() / "no/such/dir").string());
    EXPECT_EQ(result.status, CURLE_WRITE_ERROR);
    EXPECT_NE(result.description.find("no/such/dir"), std::string::npos);
}

TEST_F(CurlDownloaderTest, ReadsFileAddresses)
{
    const auto source = std::filesystem::path(kDataDir) / "news_iso-2022-jp.html";
    const auto result = downloader.download("file://" + source.string(), target());
    ASSERT_EQ(result.status, 0) << result.description;
    EXPECT_EQ(readBytes(target()), sample("news_iso-2022-jp.html"));
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
