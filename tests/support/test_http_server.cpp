#include "support/test_http_server.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <filesystem>
#include <stdexcept>

#include <zlib.h>

#include "support/temp_dir.h"
#include "test_paths.h"

namespace vz::test {
namespace {

constexpr std::size_t kMiB = 1024 * 1024;
const std::string kZeros(64 * 1024, '\0');

} // namespace

std::string compress(const std::string& bytes, bool gzip)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, gzip ? 15 + 16 : 15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

TestHttpServer::TestHttpServer()
{
    // Keep-alive waits end quickly so that stopping never waits on an idle client.
    m_server.set_keep_alive_timeout(1);
    // Clients that keep a connection open are never made to open another.
    m_server.set_keep_alive_max_count(100000);
    m_server.set_tcp_nodelay(true);
    m_server.Get(".*",
                 [this](const httplib::Request& request, httplib::Response& response) { dispatch(request, response); });
    addFixtureRoutes();
    m_port = m_server.bind_to_any_port("127.0.0.1");
    if (m_port <= 0) {
        throw std::runtime_error("the test HTTP server cannot bind a port on 127.0.0.1");
    }
    auto ended = std::make_shared<std::atomic<bool>>(false);
    m_thread = std::thread([this, ended] {
        m_server.listen_after_bind();
        *ended = true;
    });
    while (!m_server.is_running() && !*ended) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (*ended) {
        m_thread.join();
        throw std::runtime_error("the test HTTP server stopped before it served");
    }
}

TestHttpServer::~TestHttpServer()
{
    {
        std::lock_guard lock(m_stopMutex);
        m_stopping = true;
    }
    m_stopSignal.notify_all();
    m_server.stop();
    m_thread.join();
}

void TestHttpServer::serve(const std::string& path, std::string body, std::string contentType)
{
    handle(path,
           [body = std::move(body), contentType = std::move(contentType)](
               const httplib::Request&, httplib::Response& response) { response.set_content(body, contentType); });
}

void TestHttpServer::handle(const std::string& path, Handler handler)
{
    std::lock_guard lock(m_mutex);
    m_routes[path] = std::move(handler);
}

std::vector<TestHttpServer::Received> TestHttpServer::received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::size_t TestHttpServer::requestCount(const std::string& path) const
{
    std::lock_guard lock(m_mutex);
    return static_cast<std::size_t>(std::ranges::count(m_received, path, &Received::path));
}

void TestHttpServer::dispatch(const httplib::Request& request, httplib::Response& response)
{
    Handler handler = [](const httplib::Request&, httplib::Response& notFound) {
        notFound.status = 404;
        notFound.set_content("<html><body>no such page</body></html>", "text/html");
    };
    {
        std::lock_guard lock(m_mutex);
        m_received.push_back({request.path, request.headers, request.remote_port});
        if (const auto route = m_routes.find(request.path); route != m_routes.end()) {
            handler = route->second;
        }
    }
    handler(request, response);
}

bool TestHttpServer::waitFor(std::chrono::milliseconds delay)
{
    std::unique_lock lock(m_stopMutex);
    return !m_stopSignal.wait_for(lock, delay, [this] { return m_stopping; });
}

void TestHttpServer::addFixtureRoutes()
{
    for (const auto& entry : std::filesystem::directory_iterator(kDataDir)) {
        if (entry.is_regular_file()) {
            const bool plain = entry.path().extension() == ".txt";
            serve("/data/" + entry.path().filename().string(), readBytes(entry.path()),
                  plain ? "text/plain" : "text/html");
        }
    }
    for (int status : {404, 500}) {
        handle("/status/" + std::to_string(status), [status](const httplib::Request&, httplib::Response& response) {
            response.status = status;
            response.set_content("<html><body>error " + std::to_string(status) + "</body></html>", "text/html");
        });
    }
    const auto redirect = [this](const std::string& path, const std::string& to) {
        handle(path, [to](const httplib::Request&, httplib::Response& response) { response.set_redirect(to); });
    };
    for (int n = 1; n <= 12; ++n) {
        redirect("/redirect/" + std::to_string(n),
                 n == 1 ? "/data/news_utf-8.html" : "/redirect/" + std::to_string(n - 1));
    }
    redirect("/redirect-loop", "/redirect-loop");
    redirect("/redirect-to-file", "file:///etc/hostname");
    handle("/slow", [this](const httplib::Request&, httplib::Response& response) {
        waitFor(kSlowDelay);
        response.set_content("<html><body>late</body></html>", "text/html");
    });
    const std::string page = readBytes(std::filesystem::path(kDataDir) / "news_utf-8.html");
    for (bool gzip : {true, false}) {
        // Given through a content provider so that the server sends the bytes as they are
        // instead of compressing them again.
        const auto body = std::make_shared<std::string>(compress(page, gzip));
        handle(gzip ? "/gzip" : "/deflate", [body, gzip](const httplib::Request&, httplib::Response& response) {
            response.set_header("Content-Encoding", gzip ? "gzip" : "deflate");
            response.set_content_provider(body->size(), "text/html",
                                          [body](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                              return sink.write(body->data() + offset, length);
                                          });
        });
    }
    handle("/oversize", [](const httplib::Request&, httplib::Response& response) {
        const std::size_t total = 64 * kMiB + 1;
        response.set_content_provider(
            total, "application/octet-stream",
            [total](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                return sink.write(kZeros.data(), std::min({length, kZeros.size(), total - offset}));
            });
    });
    handle("/oversize-chunked", [](const httplib::Request&, httplib::Response& response) {
        auto sent = std::make_shared<std::size_t>(0);
        response.set_chunked_content_provider("application/octet-stream", [sent](std::size_t, httplib::DataSink& sink) {
            if (*sent >= 65 * kMiB) {
                sink.done();
                return true;
            }
            *sent += kZeros.size();
            return sink.write(kZeros.data(), kZeros.size());
        });
    });
    handle("/dropped", [](const httplib::Request&, httplib::Response& response) {
        // Failing after the first part closes the connection mid-body.
        response.set_content_provider(
            kDroppedLength, "text/html", [](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                return offset == 0 && sink.write(std::string(kDroppedSent, 'x').data(), kDroppedSent);
            });
    });
}

} // namespace vz::test
