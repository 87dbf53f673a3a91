#include "platform/concurrent_fetcher.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

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

const std::string kNews = readBytes(fs::path(kDataDir) / "news_utf-8.html");

platform::ConcurrentSettings limits(int transfers, int perHost)
{
    // The timeout leaves room for a loaded machine; only /slow should come near it. Each transfer
    // ends as it first ends: trying again has tests of its own.
    platform::ConcurrentSettings settings{transfers, perHost, platform::CurlSettings{3s, 3s, 1024 * 1024}};
    settings.retries.extraTries = 0;
    return settings;
}

// Every way a transfer can go, all under way at once: a success hands over the body, a failure
// its status, its reason in words and no byte of a partial body.
TEST(ConcurrentFetcher, EndsEveryTransferWithItsStatusAndABodyOnlyOnSuccess)
{
    TestHttpServer server;
    server.serve("/a b/ニュース.html", kNews);
    // Small on the wire, over the size cap once decoded.
    server.handle("/gzip-bomb", [](const httplib::Request&, httplib::Response& response) {
        response.set_header("Content-Encoding", "gzip");
        response.set_content(compress(std::string(2 * 1024 * 1024, 'a'), true), "text/html");
    });
    const std::string refused = TestHttpServer().url("/x");
    const struct
    {
        std::string url;
        int status;
        std::string says = {};
    } cases[] = {
        {server.url("/data/news_utf-8.html"), 0},
        {server.url("/gzip"), 0},
        {server.url("/deflate"), 0},
        {server.url("/redirect/10"), 0},
        {server.url("/a b/ニュース.html") + "\r\n", 0},
        {"file://" + (fs::path(kDataDir) / "news_utf-8.html").string(), 0},
        {server.url("/status/404"), 404, "HTTP ステータス 404（見つかりません）"},
        {server.url("/status/500"), 500, "HTTP ステータス 500（サーバー内部のエラーです）"},
        {server.url("/redirect-loop"), CURLE_TOO_MANY_REDIRECTS},
        {server.url("/redirect/11"), CURLE_TOO_MANY_REDIRECTS},
        {server.url("/redirect-to-file"), CURLE_UNSUPPORTED_PROTOCOL},
        {server.url("/slow"), CURLE_OPERATION_TIMEDOUT, "時間切れです（3 秒、28）"},
        {server.url("/oversize"), CURLE_FILESIZE_EXCEEDED},
        {server.url("/oversize-chunked"), CURLE_FILESIZE_EXCEEDED},
        {server.url("/gzip-bomb"), CURLE_FILESIZE_EXCEEDED},
        {server.url("/dropped"), CURLE_PARTIAL_FILE},
        {refused, CURLE_COULDNT_CONNECT, "サーバーに接続できません"},
        {"file://" + (fs::path(kDataDir) / "missing.html").string(), CURLE_FILE_COULDNT_READ_FILE},
        {"gopher://127.0.0.1/", CURLE_UNSUPPORTED_PROTOCOL},
    };
    platform::ConcurrentFetcher fetcher(limits(8, 8));
    std::vector<platform::Fetcher::Ticket> tickets;
    const auto begun = std::chrono::steady_clock::now();
    for (const auto& c : cases) {
        tickets.push_back(fetcher.start(c.url, 0));
    }
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].url);
        const platform::Fetched fetched = fetcher.take(tickets[i]);
        EXPECT_EQ(fetched.result.status, cases[i].status) << fetched.result.description;
        if (cases[i].status == CURLE_OPERATION_TIMEDOUT) {
            EXPECT_LT(std::chrono::steady_clock::now() - begun, TestHttpServer::kSlowDelay)
                << "the time-out, not the server's late answer, ends the transfer";
        }
        if (cases[i].status == 0) {
            EXPECT_EQ(fetched.body, kNews);
            EXPECT_EQ(fetched.result.contentType, cases[i].url.starts_with("http") ? "text/html" : "");
        } else {
            EXPECT_TRUE(fetched.body.empty());
            EXPECT_FALSE(fetched.result.description.empty());
            EXPECT_NE(fetched.result.description.find(cases[i].says), std::string::npos) << fetched.result.description;
        }
    }
    for (const auto& request : server.received()) {
        EXPECT_EQ(request.headers.find("User-Agent")->second, std::string("vodeZeva/") + vz::kVersion);
        EXPECT_NE(request.headers.find("Accept-Encoding")->second.find("gzip"), std::string::npos);
    }
    EXPECT_EQ(platform::escapeUrl(" http://h/a b/\xE3\x83\x8B?q=1\t"), "http://h/a%20b/%E3%83%8B?q=1");
}

// Transfers overlap up to the limits, in all and per server, exactly, and reuse their
// connections; a server at its limit holds its next tickets back while the other server's, asked
// for after them, go.
TEST(ConcurrentFetcher, KeepsWithinItsLimitsAndReusesConnections)
{
    const struct
    {
        int transfers;
        int perServer;
        int mostInAll;
    } cases[] = {{8, 2, 4}, {8, 4, 8}, {3, 2, 3}, {1, 1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.transfers << " in all, " << c.perServer << " a server");
        std::atomic<int> inAll{0};
        std::atomic<int> mostInAll{0};
        const auto raise = [](std::atomic<int>& most, int now) {
            for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
            }
        };
        struct Site
        {
            TestHttpServer server;
            std::atomic<int> now{0};
            std::atomic<int> most{0};
        } sites[2];
        for (Site& site : sites) {
            site.server.handle("/paced", [&](const httplib::Request&, httplib::Response& response) {
                raise(site.most, ++site.now);
                raise(mostInAll, ++inAll);
                std::this_thread::sleep_for(30ms);
                --inAll;
                --site.now;
                response.set_content("page", "text/html");
            });
        }
        platform::ConcurrentFetcher fetcher(limits(c.transfers, c.perServer));
        std::vector<platform::Fetcher::Ticket> tickets;
        for (int i = 0; i < 12; ++i) {
            tickets.push_back(fetcher.start(sites[i / 6].server.url("/paced"), 0));
        }
        for (const auto ticket : tickets) {
            EXPECT_EQ(fetcher.take(ticket).result.status, 0);
        }
        EXPECT_EQ(mostInAll, c.mostInAll);
        for (Site& site : sites) {
            EXPECT_EQ(site.most, std::min(c.perServer, c.transfers));
            std::set<int> connections;
            for (const auto& request : site.server.received()) {
                connections.insert(request.remotePort);
            }
            EXPECT_LE(connections.size(), static_cast<std::size_t>(site.most));
        }
    }
}

// Waiting transfers go out by their order, a hurried one first; and a place freed in a poll()
// is taken at once: the next request is on its way before the caller works on what arrived.
TEST(ConcurrentFetcher, StartsWaitingTransfersByOrderAndRefillsAFreedPlaceAtOnce)
{
    TestHttpServer server;
    server.handle("/first", [](const httplib::Request&, httplib::Response& response) {
        std::this_thread::sleep_for(50ms);
        response.set_content("first", "text/html");
    });
    for (const char* path : {"/late", "/early", "/middle", "/also-early"}) {
        server.serve(path, path);
    }
    platform::ConcurrentFetcher fetcher(limits(1, 1));
    const auto first = fetcher.start(server.url("/first"), 5);
    fetcher.start(server.url("/late"), 30);
    fetcher.start(server.url("/early"), 10);
    const auto middle = fetcher.start(server.url("/middle"), 20);
    fetcher.start(server.url("/also-early"), 10);
    fetcher.hurry(middle);
    while (!fetcher.done(first)) {
        fetcher.poll(100ms);
    }
    // No poll() from here on: the next request must already have left.
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (server.received().size() < 2 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(server.received().size(), 2U) << "the freed place waited for the next poll()";
    for (int i = 0; i < 20 && server.received().size() < 5; ++i) {
        fetcher.poll(100ms);
    }
    std::vector<std::string> order;
    for (const auto& request : server.received()) {
        order.push_back(request.path);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"/first", "/middle", "/early", "/also-early", "/late"}));
}

// Between two pieces of the caller's work, drive() takes a freed place and leaves the telling of
// what ended to the next poll(), which then tells it without waiting for the rest.
TEST(ConcurrentFetcher, DrivingTakesFreedPlacesAndTheNextPollTellsWhatEndedAtOnce)
{
    TestHttpServer server;
    platform::ConcurrentFetcher fetcher(limits(1, 1));
    const auto first = fetcher.start(server.url("/data/news_utf-8.html"), 0);
    fetcher.start(server.url("/slow"), 1);
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (server.requestCount("/slow") == 0 && std::chrono::steady_clock::now() < deadline) {
        fetcher.drive();
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(server.requestCount("/slow"), 1U) << "the freed place was taken";
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_EQ(fetcher.poll(2000ms), std::vector<platform::Fetcher::Ticket>{first});
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 1000ms);
}

// While more servers wait than the places allow each at its full limit, each first gets its share
// of the places: a server later in the order is not left until the earlier one is done.
TEST(ConcurrentFetcher, SharesThePlacesAmongTheServersThatWait)
{
    TestHttpServer early, late;
    std::atomic<int> arrived{0};
    for (TestHttpServer* server : {&early, &late}) {
        server->handle("/paced", [&](const httplib::Request&, httplib::Response& response) {
            ++arrived;
            std::this_thread::sleep_for(200ms);
            response.set_content("paced", "text/html");
        });
    }
    // One place while all are asked for, then four: the early server has six, the late one two.
    platform::ConcurrentFetcher fetcher(limits(1, 1));
    std::vector<platform::Fetcher::Ticket> tickets;
    for (int i = 0; i < 8; ++i) {
        tickets.push_back(
            fetcher.start((i < 6 ? early : late).url("/paced"), static_cast<platform::Fetcher::Order>(i)));
    }
    fetcher.setLimits(4, 4);
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (arrived < 4 && std::chrono::steady_clock::now() < deadline) {
        fetcher.poll(10ms);
    }
    EXPECT_EQ(late.received().size(), 2U);
    for (const auto ticket : tickets) {
        EXPECT_EQ(fetcher.take(ticket).result.status, 0);
    }
}

// Every new server here moves the transfers on to a new pool of connections: the transfers go on
// as before, the pools left behind close their connections once nothing uses them.
TEST(ConcurrentFetcher, GoesOnAcrossNewPoolsOfConnections)
{
    TestHttpServer first, second;
    auto settings = limits(2, 2);
    settings.serversPerPool = 1;
    platform::ConcurrentFetcher fetcher(settings);
    std::vector<platform::Fetcher::Ticket> tickets;
    for (int i = 0; i < 6; ++i) {
        tickets.push_back(fetcher.start((i % 3 == 2 ? second : first).url("/data/news_utf-8.html"), 0));
    }
    for (const auto ticket : tickets) {
        EXPECT_EQ(fetcher.take(ticket).body, kNews);
    }
    std::set<int> connections;
    for (const auto& request : first.received()) {
        connections.insert(request.remotePort);
    }
    EXPECT_GE(connections.size(), 2U) << "the first server's later transfers came in on a new connection";
}

// A server at its limit holds back only its own tickets: a later ticket of another server starts
// at once, also from deep in the waiting list and when one call starts several of the busy one.
TEST(ConcurrentFetcher, StartsAnotherServersTicketPastABusyServers)
{
    TestHttpServer busy, other;
    busy.handle("/paced", [&](const httplib::Request&, httplib::Response& response) {
        std::this_thread::sleep_for(40ms);
        response.set_content("busy", "text/html");
    });
    platform::ConcurrentFetcher fetcher(limits(1, 1));
    std::vector<platform::Fetcher::Ticket> waiting;
    for (int i = 0; i < 6; ++i) {
        waiting.push_back(fetcher.start(busy.url("/paced"), 0));
    }
    const auto first = fetcher.start(other.url("/data/news_utf-8.html"), 0);
    for (int i = 0; i < 6; ++i) {
        waiting.push_back(fetcher.start(busy.url("/paced"), 0));
    }
    const auto second = fetcher.start(other.url("/data/news_utf-8.html"), 0);
    fetcher.setLimits(8, 3);
    for (const auto ticket : {first, second}) {
        while (!fetcher.done(ticket)) {
            fetcher.poll(10ms);
        }
    }
    // Without overtaking, the second would wait for all twelve paced answers, three at a time.
    EXPECT_LE(busy.received().size(), 6U);
    EXPECT_EQ(fetcher.take(second).body, kNews);
}

// Stopping a run abandons what is under way at once, and the rest still arrives.
TEST(ConcurrentFetcher, AbandonsATransferWithoutWaitingForIt)
{
    TestHttpServer server;
    const auto begun = std::chrono::steady_clock::now();
    {
        platform::ConcurrentFetcher fetcher(platform::ConcurrentSettings{});
        const auto slow = fetcher.start(server.url("/slow"), 0);
        const auto page = fetcher.start(server.url("/data/news_utf-8.html"), 0);
        const auto leftRunning = fetcher.start(server.url("/slow"), 0);
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
        // A stop from another thread (or a signal) wakes the wait at once; until resume() nothing
        // new goes out.
        platform::ConcurrentFetcher fetcher(platform::ConcurrentSettings{});
        const auto slow = fetcher.start(server.url("/slow"), 0);
        fetcher.poll(50ms);
        std::thread stopper([&fetcher] {
            std::this_thread::sleep_for(200ms);
            fetcher.stop();
        });
        const platform::Fetched fetched = fetcher.take(slow);
        stopper.join();
        EXPECT_EQ(fetched.result.status, platform::kTransferStopped);
        EXPECT_EQ(fetched.result.description, "中止しました（42）");
        EXPECT_TRUE(fetched.body.empty());
        EXPECT_EQ(fetcher.take(fetcher.start(server.url("/status/404"), 0)).result.status, platform::kTransferStopped);
        EXPECT_EQ(server.requestCount("/status/404"), 0U);
        fetcher.resume();
        EXPECT_EQ(fetcher.take(fetcher.start(server.url("/status/404"), 0)).result.status, 404);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 2s);
}

} // namespace
} // namespace vz::test
