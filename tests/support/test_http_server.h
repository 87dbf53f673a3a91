#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>

namespace vz::test {

/// An HTTP server for the tests, in a thread of its own, on 127.0.0.1 and a port the system picks.
/// Tests add routes with serve() and handle(), also while it runs. Its own routes: /data/<file>
/// (the data folder's files, text/plain for .txt, else text/html, no charset); /status/404 and
/// /status/500; /redirect/<n> (n redirects in all, n up to 12, ending at /data/news_utf-8.html);
/// /redirect-loop; /redirect-to-file (to a file:// address); /slow (answers after kSlowDelay, or
/// when the server stops); /gzip and /deflate (news_utf-8.html so encoded); /oversize (announces
/// 64 MiB + 1 byte) and /oversize-chunked (chunks without a length, up to 65 MiB); /dropped
/// (announces kDroppedLength bytes, sends kDroppedSent, closes the connection).
class TestHttpServer
{
public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    static constexpr std::chrono::milliseconds kSlowDelay{5000};
    static constexpr std::size_t kDroppedLength = 100000;
    static constexpr std::size_t kDroppedSent = 1000;

    /// Throws std::runtime_error when no port can be bound.
    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    std::string url(const std::string& path) const { return baseUrl() + path; }

    /// Answers GET `path` (query ignored) with status 200 and these bytes.
    void serve(const std::string& path, std::string body, std::string contentType = "text/html");
    /// Lets `handler` answer GET `path`; it runs on one of the server's threads.
    void handle(const std::string& path, Handler handler);

    struct Received
    {
        std::string path;
        httplib::Headers headers;
        int remotePort = 0; ///< the client's side of the connection
    };
    std::vector<Received> received() const;
    std::size_t requestCount(const std::string& path) const;

private:
    void dispatch(const httplib::Request& request, httplib::Response& response);
    void addFixtureRoutes();
    /// Waits until `delay` passed or the server stops; false when it stops.
    bool waitFor(std::chrono::milliseconds delay);

    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::map<std::string, Handler> m_routes;
    std::vector<Received> m_received;

    std::mutex m_stopMutex;
    std::condition_variable m_stopSignal;
    bool m_stopping = false;
};

/// The bytes compressed as gzip (`gzip` true) or as a zlib stream (HTTP's "deflate").
std::string compress(const std::string& bytes, bool gzip);

} // namespace vz::test
