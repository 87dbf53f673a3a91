#include "platform/concurrent_fetcher.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <curl/curl.h>
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "support/test_http_server.h"
#include "test_paths.h"

namespace vz::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string kNews = readBytes(fs::path(kDataDir) / "news_utf-8.html");

platform::ConcurrentSettings limits(int transfers, int perHost)
{
    // The timeout leaves room for a loaded machine; only /slow should come near it.
    return platform::ConcurrentSettings{transfers, perHost, platform::CurlSettings{3s, 3s, 1024 * 1024}};
}

// Every fault of the one-at-a-time downloader, all under way at once, ends as it does there.
TEST(ConcurrentFetcher, EndsEveryFaultyTransferWithTheDownloadersStatusAndNoBody)
{
    TestHttpServer server;
    const std::string refused = TestHttpServer().url("/x");
    const std::vector<std::pair<std::string, int>> cases = {
        {server.url("/data/news_utf-8.html"), 0},
        {server.url("/gzip"), 0},
        {server.url("/redirect/10"), 0},
        {"file://" + (fs::path(kDataDir) / "news_utf-8.html").string(), 0},
        {server.url("/status/404"), 404},
        {server.url("/redirect-loop"), CURLE_TOO_MANY_REDIRECTS},
        {server.url("/redirect-to-file"), CURLE_UNSUPPORTED_PROTOCOL},
        {server.url("/slow"), CURLE_OPERATION_TIMEDOUT},
        {server.url("/oversize"), CURLE_FILESIZE_EXCEEDED},
        {server.url("/oversize-chunked"), CURLE_FILESIZE_EXCEEDED},
        {server.url("/dropped"), CURLE_PARTIAL_FILE},
        {refused, CURLE_COULDNT_CONNECT},
        {"gopher://127.0.0.1/", CURLE_UNSUPPORTED_PROTOCOL},
    };
    platform::ConcurrentFetcher fetcher(limits(8, 8));
    std::vector<platform::Fetcher::Ticket> tickets;
    for (const auto& [url, status] : cases) {
        tickets.push_back(fetcher.start(url));
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].first);
        const platform::Fetched fetched = fetcher.take(tickets[i]);
        EXPECT_EQ(fetched.result.status, cases[i].second) << fetched.result.description;
        if (cases[i].second == 0) {
            EXPECT_EQ(fetched.body, kNews);
            EXPECT_EQ(fetched.result.contentType, cases[i].first.starts_with("http") ? "text/html" : "");
        } else {
            EXPECT_TRUE(fetched.body.empty());
            EXPECT_FALSE(fetched.result.description.empty());
        }
    }
}

// Transfers overlap up to the limits, in all and per server, and reuse their connections.
TEST(ConcurrentFetcher, KeepsWithinItsLimitsAndReusesConnections)
{
    const struct
    {
        int transfers;
        int perHost;
        int expectedAtOnce;
    } cases[] = {{8, 4, 4}, {1, 1, 1}, {3, 8, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.transfers);
        TestHttpServer server;
        std::atomic<int> now{0};
        std::atomic<int> most{0};
        server.handle("/paced", [&](const httplib::Request&, httplib::Response& response) {
            const int at = ++now;
            for (int seen = most; at > seen && !most.compare_exchange_weak(seen, at);) {
            }
            std::this_thread::sleep_for(30ms);
            --now;
            response.set_content("page " + std::to_string(at), "text/html");
        });
        platform::ConcurrentFetcher fetcher(limits(c.transfers, c.perHost));
        std::vector<platform::Fetcher::Ticket> tickets;
        for (int i = 0; i < 16; ++i) {
            tickets.push_back(fetcher.start(server.url("/paced")));
        }
        for (const auto ticket : tickets) {
            EXPECT_EQ(fetcher.take(ticket).result.status, 0);
        }
        EXPECT_EQ(most, c.expectedAtOnce);
        std::set<int> connections;
        for (const auto& request : server.received()) {
            connections.insert(request.remotePort);
        }
        EXPECT_LE(connections.size(), static_cast<std::size_t>(c.expectedAtOnce));
    }
}

// Stopping a run abandons what is under way at once, and the rest still arrives.
TEST(ConcurrentFetcher, AbandonsATransferWithoutWaitingForIt)
{
    TestHttpServer server;
    const auto begun = std::chrono::steady_clock::now();
    {
        platform::ConcurrentFetcher fetcher(platform::ConcurrentSettings{});
        const auto slow = fetcher.start(server.url("/slow"));
        const auto page = fetcher.start(server.url("/data/news_utf-8.html"));
        const auto leftRunning = fetcher.start(server.url("/slow"));
        while (!fetcher.done(page)) {
            fetcher.poll(100ms);
        }
        EXPECT_FALSE(fetcher.done(slow));
        fetcher.cancel(slow);
        EXPECT_EQ(fetcher.take(page).body, kNews);
        EXPECT_TRUE(fetcher.poll(0ms).empty());
        (void)leftRunning; // abandoned by the destructor
    }
    {
        // A signal's stop ends whatever is under way at once.
        platform::ConcurrentFetcher fetcher(platform::ConcurrentSettings{});
        bool stop = false;
        fetcher.setAbortCheck([&stop] { return stop; });
        const auto slow = fetcher.start(server.url("/slow"));
        fetcher.poll(50ms);
        stop = true;
        const platform::Fetched fetched = fetcher.take(slow);
        EXPECT_EQ(fetched.result.status, CURLE_ABORTED_BY_CALLBACK);
        EXPECT_TRUE(fetched.body.empty());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 2s);
}

} // namespace
} // namespace vz::test
