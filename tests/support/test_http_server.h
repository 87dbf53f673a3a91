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

/// An HTTP server for the tests, in a thread of its own, listening on 127.0.0.1 on a port the
/// system picks. It starts with the fixture routes below; a test adds its own with serve() and
/// handle(), also while the server runs.
///
/// Fixture routes:
/// - /data/<file>: every file of the tests' data folder, as text/html (text/plain for .txt),
///   without a charset;
/// - /status/404, /status/500: that status with a small page;
/// - /redirect/<n> (n from 1 to 12): n redirects in all, ending at /data/news_utf-8.html;
/// - /redirect-loop: redirects to itself; /redirect-to-file: to a file:// address;
/// - /slow: answers only after kSlowDelay (or when the server stops);
/// - /gzip, /deflate: /data/news_utf-8.html compressed, with that Content-Encoding;
/// - /oversize: announces a body one byte over 64 MiB; /oversize-chunked: sends chunks without
///   announcing a length, for as long as the client takes them (at most 65 MiB);
/// - /dropped: announces kDroppedLength bytes, sends kDroppedSent, then closes the connection.
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

    /// "http://127.0.0.1:<port>"
    std::string baseUrl() const;
    /// baseUrl() followed by `path` ("/news/1.html").
    std::string url(const std::string& path) const;

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
    /// The requests received so far, in order.
    std::vector<Received> received() const;
    /// How many requests asked for `path`.
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
