#include "platform/response_cache.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "platform/concurrent_fetcher.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"

namespace vz::test {
namespace {

using namespace std::chrono_literals;

platform::ConcurrentSettings quick(platform::RetrySettings retries = {0, 0ms, 0ms})
{
    platform::ConcurrentSettings settings{8, 4, platform::CurlSettings{3s, 3s, 1024 * 1024}};
    settings.retries = retries;
    return settings;
}

std::string fetch(platform::Fetcher& fetcher, const std::string& url, std::string* contentType = nullptr)
{
    platform::Fetched fetched = fetcher.take(fetcher.start(url, 0));
    EXPECT_EQ(fetched.result.status, 0) << url << ": " << fetched.result.description;
    if (contentType) {
        *contentType = fetched.result.contentType;
    }
    return fetched.body;
}

std::string header(const TestHttpServer::Received& request, const std::string& name)
{
    const auto found = request.headers.find(name);
    return found == request.headers.end() ? "" : found->second;
}

// A second run over the same pages: each that carried a validator is asked for with it, and a 304
// gives back exactly the body and type of the full answer; a changed page and one without
// validators come in full.
TEST(ResponseCache, ASecondRunAsksWithTheValidatorsAndGetsTheSameBytes)
{
    TestHttpServer server;
    const std::string etagBody = "<p>\x82\xa0 etag</p>"; // Shift_JIS bytes, kept as they came
    server.handle("/etag", [&](const httplib::Request& request, httplib::Response& response) {
        response.set_header("ETag", "\"v1\"");
        if (request.get_header_value("If-None-Match") == "\"v1\"") {
            response.status = 304;
            return;
        }
        response.set_content(etagBody, "text/html; charset=Shift_JIS");
    });
    const std::string date = "Wed, 21 Oct 2026 07:28:00 GMT";
    server.handle("/modified", [&](const httplib::Request& request, httplib::Response& response) {
        response.set_header("Last-Modified", date);
        if (request.get_header_value("If-Modified-Since") == date) {
            response.status = 304;
            return;
        }
        response.set_content("modified", "text/plain");
    });
    std::atomic<int> version{1};
    server.handle("/changing", [&](const httplib::Request& request, httplib::Response& response) {
        const std::string tag = "\"" + std::to_string(version.load()) + "\"";
        response.set_header("ETag", tag);
        if (request.get_header_value("If-None-Match") == tag) {
            response.status = 304;
            return;
        }
        response.set_content("version " + std::to_string(version.load()), "text/html");
    });
    server.serve("/plain", "plain");
    const std::string paths[] = {"/etag", "/modified", "/changing", "/plain"};

    TempDir home;
    const std::string file = (home.path() / platform::kCacheFileName).string();
    platform::ConcurrentFetcher fetcher(quick());
    std::map<std::string, std::pair<std::string, std::string>> first;
    {
        const auto cache = platform::ResponseCache::open(file, 1000);
        ASSERT_TRUE(cache->working()) << cache->problem();
        fetcher.useCache(cache.get());
        for (const std::string& path : paths) {
            first[path].first = fetch(fetcher, server.url(path), &first[path].second);
        }
        fetcher.useCache(nullptr);
    }
    version = 2;
    const auto cache = platform::ResponseCache::open(file, 2000);
    fetcher.useCache(cache.get());
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        std::string type;
        const std::string body = fetch(fetcher, server.url(path), &type);
        EXPECT_EQ(body, path == "/changing" ? "version 2" : first[path].first);
        EXPECT_EQ(type, first[path].second);
    }
    const auto received = server.received();
    ASSERT_EQ(received.size(), 8U);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(header(received[i], "If-None-Match") + header(received[i], "If-Modified-Since"), "");
    }
    EXPECT_EQ(header(received[4], "If-None-Match"), "\"v1\"");
    EXPECT_EQ(header(received[5], "If-Modified-Since"), date);
    EXPECT_EQ(header(received[6], "If-None-Match"), "\"1\"");
    EXPECT_EQ(header(received[7], "If-None-Match") + header(received[7], "If-Modified-Since"), "");
    // The changed page replaced what was kept; the kept body is never one of another address.
    EXPECT_EQ(cache->body(*cache->find(server.url("/changing"))), "version 2");
    EXPECT_FALSE(cache->find(server.url("/changing?x")));
    EXPECT_FALSE(cache->find(server.url("/plain")));

    // A kept body stands only for the address it was kept for, reached the same way: when the
    // redirect leads elsewhere now, a 304 from there does not hand it over.
    std::atomic<bool> elsewhere{false};
    server.handle("/moved", [&](const httplib::Request&, httplib::Response& response) {
        response.set_redirect(server.url(elsewhere ? "/anything" : "/etag"));
    });
    server.handle("/anything", [](const httplib::Request& request, httplib::Response& response) {
        if (request.has_header("If-None-Match")) {
            response.status = 304;
            return;
        }
        response.set_content("its own", "text/html");
    });
    EXPECT_EQ(fetch(fetcher, server.url("/moved")), etagBody);
    elsewhere = true;
    EXPECT_EQ(fetch(fetcher, server.url("/moved")), "its own");
    EXPECT_EQ(server.requestCount("/anything"), 2U) << "asked again without validators";
}

// The file is bounded in size and age; one held by another program is said once and left alone,
// the fetches going on in full; a damaged one is said once and made anew.
TEST(ResponseCache, StaysWithinItsBoundsAndIsLeftAloneWhenItCannotBeUsed)
{
    TempDir home;
    const std::string file = (home.path() / platform::kCacheFileName).string();
    platform::CacheLimits limits;
    limits.maxBytes = 2500;
    limits.maxEntryBytes = 1000;
    limits.maxAgeSeconds = 100;
    limits.busyTimeoutMs = 50;
    {
        // With nothing to keep, no file is made.
        const auto cache = platform::ResponseCache::open(file, 1000, limits);
        EXPECT_FALSE(cache->find("http://h/0"));
        cache->store({"http://h/0", "http://h/0", "", "", "", "no validator"});
        cache->markGathered("site", {});
    }
    EXPECT_FALSE(std::filesystem::exists(file));
    {
        const auto cache = platform::ResponseCache::open(file, 1000, limits);
        for (int n = 0; n < 5; ++n) {
            cache->store({"http://h/" + std::to_string(n), "http://h/" + std::to_string(n), "\"e\"", "", "text/html",
                          std::string(900, static_cast<char>('a' + n))});
        }
        cache->store({"http://h/big", "http://h/big", "\"e\"", "", "", std::string(1001, 'b')});
        cache->store({"http://h/none", "http://h/none", "", "", "", "no validator"});
        EXPECT_LE(cache->bytes(), limits.maxBytes);
        EXPECT_FALSE(cache->find("http://h/0")) << "the oldest goes first";
        EXPECT_EQ(cache->body(*cache->find("http://h/4")), std::string(900, 'e'));
        EXPECT_FALSE(cache->find("http://h/big"));
        EXPECT_FALSE(cache->find("http://h/none"));
        // An answer without validators drops what was kept for its address.
        ASSERT_TRUE(cache->find("http://h/3"));
        cache->store({"http://h/3", "http://h/3", "", "", "", "now without"});
        EXPECT_FALSE(cache->find("http://h/3"));
        EXPECT_EQ(cache->bytes(), 900U);
    }
    EXPECT_LE(std::filesystem::file_size(file), 64U * 1024);
    {
        const auto cache = platform::ResponseCache::open(file, 1101, limits);
        EXPECT_FALSE(cache->find("http://h/4")) << "past its age";
        EXPECT_EQ(cache->bytes(), 0U);

        // Another program holds the file past the busy timeout.
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        const auto locked = platform::ResponseCache::open(file, 1101, limits);
        EXPECT_FALSE(locked->working());
        EXPECT_NE(locked->problem().find("キャッシュなしで続けます"), std::string::npos) << locked->problem();
        // A run already using the file lets go of a write that cannot wait, and goes on using it.
        cache->store({"http://h/x", "http://h/x", "\"e\"", "", "", "x"});
        EXPECT_TRUE(cache->working()) << cache->problem();
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        EXPECT_FALSE(cache->find("http://h/x"));
        cache->store({"http://h/x", "http://h/x", "\"e\"", "", "", "x"});
        EXPECT_EQ(cache->body(*cache->find("http://h/x")), "x");
    }

    TestHttpServer server;
    server.handle("/etag", [](const httplib::Request&, httplib::Response& response) {
        response.set_header("ETag", "\"v1\"");
        response.set_content("body", "text/html");
    });
    writeBytes(file, std::string(4096, 'x')); // no database at all
    // A damaged file is moved aside whole, said once, and a new one takes its place.
    const auto damaged = platform::ResponseCache::open(file, 1000, limits);
    EXPECT_TRUE(damaged->working());
    EXPECT_NE(damaged->problem().find(file + ".damaged"), std::string::npos) << damaged->problem();
    EXPECT_EQ(readBytes(file + ".damaged"), std::string(4096, 'x'));
    platform::ConcurrentFetcher fetcher(quick());
    fetcher.useCache(damaged.get());
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(fetch(fetcher, server.url("/etag")), "body");
    }
    EXPECT_EQ(header(server.received().back(), "If-None-Match"), "\"v1\"");
}

// What may pass goes again, after a growing wait that a Retry-After lengthens up to the cap, and
// at most twice more; what will not pass never does; a stop ends a wait at once.
TEST(ConcurrentFetcher, TriesTransientFailuresAgainAndNothingElse)
{
    TestHttpServer server;
    std::atomic<int> busy{0};
    server.handle("/busy", [&](const httplib::Request&, httplib::Response& response) {
        if (busy++ == 0) {
            response.status = 503;
            response.set_header("Retry-After", "99999999999999999999999");
            return;
        }
        response.set_content("after 503", "text/html");
    });
    std::atomic<int> reset{0};
    server.handle("/reset", [&](const httplib::Request&, httplib::Response& response) {
        if (reset++ == 0) {
            // The connection closes mid-body.
            response.set_content_provider(100, "text/html",
                                          [](std::size_t, std::size_t, httplib::DataSink&) { return false; });
            return;
        }
        response.set_content("after reset", "text/html");
    });
    server.handle("/always500", [](const httplib::Request&, httplib::Response& response) { response.status = 500; });
    server.handle("/many", [](const httplib::Request&, httplib::Response& response) { response.status = 429; });
    server.handle("/slow", [](const httplib::Request&, httplib::Response& response) {
        std::this_thread::sleep_for(1500ms);
        response.set_content("too late", "text/html");
    });

    platform::ConcurrentFetcher fetcher(quick({2, 20ms, 300ms}));
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_EQ(fetch(fetcher, server.url("/busy")), "after 503");
    EXPECT_EQ(fetch(fetcher, server.url("/reset")), "after reset");
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 3s) << "the server's wait is capped";
    EXPECT_EQ(fetcher.take(fetcher.start(server.url("/status/404"), 0)).result.status, 404);
    EXPECT_EQ(fetcher.take(fetcher.start(server.url("/always500"), 0)).result.status, 500);
    EXPECT_EQ(server.requestCount("/status/404"), 1U);
    EXPECT_EQ(server.requestCount("/always500"), 3U);
    EXPECT_EQ(server.requestCount("/busy"), 2U);
    EXPECT_EQ(server.requestCount("/reset"), 2U);

    // A server that took the request and answers too slowly is not asked again, on a connection
    // kept from an earlier page as on a new one.
    platform::ConcurrentSettings shortLimit{8, 4, platform::CurlSettings{1s, 1s, 1024 * 1024}};
    shortLimit.retries = {2, 20ms, 300ms};
    platform::ConcurrentFetcher hasty(shortLimit);
    EXPECT_EQ(fetch(hasty, server.url("/busy")), "after 503");
    EXPECT_EQ(hasty.take(hasty.start(server.url("/slow"), 0)).result.status, platform::kTransferTimedOut);
    EXPECT_EQ(server.requestCount("/slow"), 1U);

    platform::ConcurrentFetcher patient(quick({2, 60s, 60s}));
    const platform::Fetcher::Ticket ticket = patient.start(server.url("/many"), 0);
    while (server.requestCount("/many") == 0) {
        patient.poll(10ms);
    }
    std::thread stopper([&patient] {
        std::this_thread::sleep_for(100ms);
        patient.stop();
    });
    const auto waiting = std::chrono::steady_clock::now();
    EXPECT_EQ(patient.take(ticket).result.status, platform::kTransferStopped);
    EXPECT_LT(std::chrono::steady_clock::now() - waiting, 1s);
    stopper.join();
    EXPECT_EQ(server.requestCount("/many"), 1U);
}

TEST(RetryWait, DoublesAndTakesTheServersWordUpToTheCap)
{
    const platform::RetrySettings settings{2, 1000ms, 30000ms};
    const auto wait = [&](int retry, std::string after, std::string date = "") {
        platform::ResponseHeaders headers;
        headers.take("Retry-After: " + after + "\r\n");
        headers.take("Date: " + date + "\r\n");
        return platform::retryWait(retry, headers, settings);
    };
    EXPECT_EQ(wait(1, ""), 1000ms);
    EXPECT_EQ(wait(2, ""), 2000ms);
    EXPECT_EQ(wait(1, "5"), 5000ms);
    EXPECT_EQ(wait(1, "99999999999999999999"), 30000ms);
    EXPECT_EQ(wait(1, "-5"), 1000ms);
    EXPECT_EQ(wait(1, "Wed, 21 Oct 2026 07:28:10 GMT", "Wed, 21 Oct 2026 07:28:00 GMT"), 10000ms);
    EXPECT_EQ(wait(1, "Wed, 21 Oct 2026 07:27:00 GMT", "Wed, 21 Oct 2026 07:28:00 GMT"), 0ms);
    EXPECT_EQ(wait(1, "Wed, 21 Oct 2026 07:28:10 GMT"), 1000ms) << "no Date to read it against";
    // A status line starts a new response; a value that would break a request is dropped.
    platform::ResponseHeaders headers;
    headers.take("ETag: \"a\"\r\n");
    headers.take("HTTP/1.1 200 OK\r\n");
    EXPECT_EQ(headers.etag, "");
    headers.take("etag: \"b\x01\"\r\n");
    EXPECT_EQ(headers.etag, "");
}

} // namespace
} // namespace vz::test
