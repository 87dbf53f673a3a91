// The README's main job on the bundled sample site: the server program and the site list script
// run as separate programs, as the README runs them, and one headless gathering over them.

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cli/headless_command.h"
#include "fakes/fake_front_end.h"
#include "platform/cp932.h"
#include "platform/concurrent_fetcher.h"
#include "platform/curl_downloader.h"
#include "run/text.h"
#include "support/temp_dir.h"
#include "test_paths.h"

extern char** environ;

namespace vz::test {
namespace {

namespace fs = std::filesystem;

pid_t spawn(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const auto& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    return pid;
}

/// The exit status; -1 when the program did not exit normally, -2 when it was still running after
/// ten seconds (it is killed then, so a server that should have refused cannot hang the test).
int waitFor(pid_t pid)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(pid, &status, WNOHANG)) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -2;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (done != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

int run(const std::vector<std::string>& args)
{
    const pid_t pid = spawn(args);
    return pid < 0 ? -1 : waitFor(pid);
}

/// The status a GET of `path` gets (0 when nothing answered).
int statusOf(int port, const std::string& path, const fs::path& scratch)
{
    platform::CurlDownloader downloader;
    return downloader.download("http://127.0.0.1:" + std::to_string(port) + path, (scratch / "got").string()).status;
}

const std::string kServer = std::string(kBinaryDir) + "/tools/sample_site_server";

/// The server program on a free port, serving `root`; stopped with SIGTERM at the end.
class ServerProcess
{
public:
    explicit ServerProcess(const fs::path& root, const fs::path& portFile)
    {
        m_pid = spawn({kServer, "--root", root.string(), "--port-file", portFile.string()});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (m_pid > 0 && std::chrono::steady_clock::now() < deadline) {
            const std::string text = readBytes(portFile);
            if (!text.empty() && text.back() == '\n') {
                m_port = std::stoi(text);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~ServerProcess()
    {
        if (m_pid > 0) {
            stop();
        }
    }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    int port() const { return m_port; }
    int stop()
    {
        kill(m_pid, SIGTERM);
        const int status = waitFor(m_pid);
        m_pid = -1;
        return status;
    }

private:
    pid_t m_pid = -1;
    int m_port = 0;
};

TEST(SampleSite, GathersIntoReadableShiftJisPages)
{
    ASSERT_TRUE(fs::exists(kServer)) << kServer << " is missing: build the sample_site_server target";
    TempDir dir;
    ServerProcess server(fs::path(kSourceDir) / "demo" / "site", dir.path() / "port");
    ASSERT_GT(server.port(), 0);
    const std::string base = "http://127.0.0.1:" + std::to_string(server.port());
    const fs::path data = dir.path() / "news";
    ASSERT_EQ(run({"/bin/sh", std::string(kSourceDir) + "/demo/make_sample.sh", base, data.string(),
                   (dir.path() / "sample.ini").string()}),
              0);

    {
        // The fetcher goes before the server stops, so no kept-alive connection holds it up.
        FakeClock clock;
        platform::ConcurrentFetcher fetcher;
        std::FILE* err = std::tmpfile();
        cli::HeadlessFrontEnd frontEnd(err, false);
        const cli::HeadlessOptions options{dir.folder(), dir.folder() + u"sample.ini"};
        EXPECT_EQ(cli::runHeadless(options, frontEnd, clock, fetcher), 0);
        std::fclose(err);
    }

    for (const char* page : {"index.html", "local.html", "economy.html", "sports.txt"}) {
        const std::string bytes = readBytes(data / page);
        ASSERT_FALSE(bytes.empty()) << page;
        const auto encoded = platform::encodeCp932(platform::decodeCp932(bytes));
        EXPECT_EQ(encoded.bytes, bytes) << page << " is not plain CP932";
    }
    for (const char* page : {"local.html", "economy.html"}) {
        EXPECT_NE(readBytes(data / page).find("charset=Shift_JIS"), std::string::npos) << page;
    }
    const std::string log = readBytes(data / "vodeZeva.log");
    EXPECT_EQ(log.find("MAIN"), std::string::npos) << "every sample article is gathered";
    EXPECT_FALSE(fs::is_empty(data / "pix"));
    EXPECT_EQ(server.stop(), 0);
}

TEST(SampleSite, TheServerKeepsToItsFolder)
{
    TempDir dir;
    fs::create_directories(dir.path() / "site");
    writeBytes(dir.path() / "site" / "a.html", "<html>");
    writeBytes(dir.path() / "secret.txt", "outside");
    fs::create_symlink(dir.path() / "secret.txt", dir.path() / "site" / "link.html");
    ServerProcess server(dir.path() / "site", dir.path() / "port");
    ASSERT_GT(server.port(), 0);
    EXPECT_EQ(statusOf(server.port(), "/a.html", dir.path()), 0);
    EXPECT_EQ(readBytes(dir.path() / "got"), "<html>");
    EXPECT_EQ(statusOf(server.port(), "/%2e%2e/secret.txt", dir.path()), 404);
    EXPECT_EQ(statusOf(server.port(), "/link.html", dir.path()), 404);
}

} // namespace
} // namespace vz::test
