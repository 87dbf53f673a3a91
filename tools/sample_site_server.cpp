// Serves a folder over HTTP on 127.0.0.1, so that a gathering run can be tried against the
// sample news site in demo/site without reaching the network.

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <httplib.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kHelp = R"(Usage: sample_site_server --root DIR [--port N] [--port-file FILE] [--verbose]
Serves the files under DIR over HTTP on 127.0.0.1 until it gets SIGTERM or SIGINT.

  --root DIR        the folder to serve (required)
  --port N          the port to listen on; 0 or none picks a free one
  --port-file FILE  once listening, write the port number and a newline to FILE
                    (replaced in one step, so a reader never sees half of it);
                    the file is removed again on exit
  --verbose         log every request to standard error
  --help            show this help and exit

Pages (.html, .htm) go out as text/html without a charset, so the charset each
page declares is the one that counts. A folder address serves the folder's
index.html. Addresses that would leave DIR, through ".." or through a link,
answer 404.

Exit status: 0 after SIGTERM or SIGINT, 1 when serving could not start,
2 for a usage error.
)";

struct Options
{
    fs::path root;
    int port = 0;
    fs::path portFile;
    bool verbose = false;
};

int usage(const std::string& problem)
{
    std::fprintf(stderr, "sample_site_server: %s\nTry 'sample_site_server --help' for more information.\n",
                 problem.c_str());
    return 2;
}

int fail(const std::string& problem)
{
    std::fprintf(stderr, "sample_site_server: %s\n", problem.c_str());
    return 1;
}

std::optional<int> parsePort(std::string_view text)
{
    int port = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (ec != std::errc() || end != text.data() + text.size() || port < 0 || port > 65535) {
        return std::nullopt;
    }
    return port;
}

std::string contentType(const fs::path& file)
{
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    // No charset parameter on pages: the gathering run must find the encoding from the bytes and
    // the page's own meta tag, as it does with the old sites this sample stands for.
    if (extension == ".html" || extension == ".htm") {
        return "text/html";
    }
    if (extension == ".gif") {
        return "image/gif";
    }
    if (extension == ".png") {
        return "image/png";
    }
    if (extension == ".jpg" || extension == ".jpeg") {
        return "image/jpeg";
    }
    if (extension == ".txt") {
        return "text/plain";
    }
    return "application/octet-stream";
}

bool isInside(const fs::path& root, const fs::path& path)
{
    const auto [r, p] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
    return r == root.end();
}

/// What a request path names under the (canonical) root.
struct Target
{
    enum class Kind { Missing, File, Folder } kind = Kind::Missing;
    fs::path file;
};

Target resolve(const fs::path& root, const std::string& requestPath)
{
    if (requestPath.empty() || requestPath.front() != '/' || requestPath.find('\0') != std::string::npos ||
        requestPath.find('\\') != std::string::npos) {
        return {};
    }
    // Any ".." segment is refused outright, even one that would stay inside the root: a page
    // of the sample site never needs one, and no normalising rule can then be got wrong.
    fs::path relative;
    std::size_t start = 1;
    while (start <= requestPath.size()) {
        std::size_t end = requestPath.find('/', start);
        if (end == std::string::npos) {
            end = requestPath.size();
        }
        const std::string segment = requestPath.substr(start, end - start);
        if (segment == "..") {
            return {};
        }
        if (!segment.empty() && segment != ".") {
            relative /= segment;
        }
        start = end + 1;
    }

    std::error_code ec;
    const fs::path real = fs::canonical(root / relative, ec);
    // A symbolic link inside the root may still point out of it.
    if (ec || !isInside(root, real)) {
        return {};
    }
    if (fs::is_directory(real, ec)) {
        return {Target::Kind::Folder, real};
    }
    if (!fs::is_regular_file(real, ec)) {
        return {};
    }
    return {Target::Kind::File, real};
}

std::optional<std::string> readFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

void notFound(httplib::Response& res)
{
    res.status = 404;
    res.set_content("Not Found\n", "text/plain");
}

void serve(const fs::path& root, const httplib::Request& req, httplib::Response& res)
{
    Target target = resolve(root, req.path);
    if (target.kind == Target::Kind::Folder) {
        // Without the final "/" a browser would resolve the index page's relative links one
        // folder too high.
        if (req.path.back() != '/') {
            res.set_redirect(req.path + "/", 301);
            return;
        }
        target = resolve(root, req.path + "index.html");
        if (target.kind != Target::Kind::File) {
            notFound(res);
            return;
        }
    }
    if (target.kind != Target::Kind::File) {
        notFound(res);
        return;
    }
    const auto bytes = readFile(target.file);
    if (!bytes) {
        res.status = 500;
        res.set_content("Cannot read the file\n", "text/plain");
        return;
    }
    res.set_content(*bytes, contentType(target.file));
}

bool writePortFile(const fs::path& file, int port, std::string& error)
{
    fs::path temporary = file;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << port << '\n';
        out.close();
        if (!out) {
            error = "cannot write " + temporary.string() + ": " + std::strerror(errno);
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temporary, file, ec);
    if (ec) {
        error = "cannot write " + file.string() + ": " + ec.message();
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}

std::optional<Options> parseArguments(int argc, char** argv, int& exitCode)
{
    Options options;
    bool haveRoot = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            exitCode = 0;
            return std::nullopt;
        }
        if (arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "--root" || arg == "--port" || arg == "--port-file") {
            const char* text = value();
            if (!text || !*text) {
                exitCode = usage(std::string(arg) + " needs a value");
                return std::nullopt;
            }
            if (arg == "--root") {
                options.root = text;
                haveRoot = true;
            } else if (arg == "--port-file") {
                options.portFile = text;
            } else if (const auto port = parsePort(text)) {
                options.port = *port;
            } else {
                exitCode = usage(std::string("not a port number: ") + text);
                return std::nullopt;
            }
        } else {
            exitCode = usage("unknown argument: " + std::string(arg));
            return std::nullopt;
        }
    }
    if (!haveRoot) {
        exitCode = usage("--root DIR is required");
        return std::nullopt;
    }
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    int exitCode = 0;
    const auto options = parseArguments(argc, argv, exitCode);
    if (!options) {
        return exitCode;
    }

    std::error_code ec;
    const fs::path root = fs::canonical(options->root, ec);
    if (ec || !fs::is_directory(root, ec)) {
        return fail("not a folder: " + options->root.string());
    }

    // The signals are taken by sigwait below; blocked before any thread starts, so that none of
    // the server's threads is interrupted by them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    httplib::Server server;
    // The library's default asks for SO_REUSEPORT, which would let a second server share a port
    // that is already taken; a busy port must be an error.
    server.set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });
    server.Get(".*", [&root](const httplib::Request& req, httplib::Response& res) { serve(root, req, res); });
    if (options->verbose) {
        server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
            std::fprintf(stderr, "%s %s %d\n", req.method.c_str(), req.path.c_str(), res.status);
        });
    }

    int port = options->port;
    if (port == 0) {
        port = server.bind_to_any_port("127.0.0.1");
    } else if (!server.bind_to_port("127.0.0.1", port)) {
        port = -1;
    }
    if (port <= 0) {
        return fail("cannot listen on 127.0.0.1:" + std::to_string(options->port));
    }

    std::atomic<bool> listenerEnded = false;
    std::thread listener([&] {
        server.listen_after_bind();
        listenerEnded = true;
        // Wakes the main thread when serving ends by itself.
        kill(getpid(), SIGUSR1);
    });
    // stop() only takes effect once the server runs; waiting here also means the port file is
    // written by a server that answers.
    while (!server.is_running() && !listenerEnded) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    bool portFileWritten = false;
    const auto shutDown = [&] {
        server.stop();
        listener.join();
        if (portFileWritten) {
            std::error_code ignored;
            fs::remove(options->portFile, ignored);
        }
    };

    if (listenerEnded) {
        shutDown();
        return fail("serving ended before it began");
    }
    if (!options->portFile.empty()) {
        std::string error;
        if (!writePortFile(options->portFile, port, error)) {
            shutDown();
            return fail(error);
        }
        portFileWritten = true;
    }
    if (options->verbose) {
        std::fprintf(stderr, "serving %s on http://127.0.0.1:%d/\n", root.c_str(), port);
    }

    int signal = 0;
    do {
        sigwait(&stopSignals, &signal);
    } while (signal == SIGUSR1 && !listenerEnded);
    shutDown();
    if (signal == SIGUSR1) {
        return fail("serving stopped unexpectedly");
    }
    return 0;
}
