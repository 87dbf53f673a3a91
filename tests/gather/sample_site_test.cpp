// The sample news site's helpers: the server program that serves it and the script that writes a
// site list for it. Both are run as the README runs them, as separate programs.

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

#include <curl/curl.h>

#include "run/site_list_file.h"
#include "run/text.h"
#include "run/text_file.h"
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

struct Reply
{
    long status = 0;
    std::string contentType;
    std::string body;
};

/// Fetches `path` exactly as written: no ".." folding on the client's side.
Reply get(int port, const std::string& path)
{
    Reply reply;
    CURL* curl = curl_easy_init();
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + path;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply.body);
    curl_easy_setopt(
        curl, CURLOPT_WRITEFUNCTION, +[](char* data, size_t size, size_t count, void* body) {
            static_cast<std::string*>(body)->append(data, size * count);
            return size * count;
        });
    if (curl_easy_perform(curl) == CURLE_OK) {
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
        const char* type = nullptr;
        curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type);
        reply.contentType = type ? type : "";
    }
    curl_easy_cleanup(curl);
    return reply;
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

class SampleSiteServer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(kServer)) << kServer << " is missing: build the sample_site_server target";
        root = dir.path() / "site";
        fs::create_directories(root / "news" / "img");
        writeBytes(root / "news" / "index.html", "<html>\r\n\x8c\x8e\x8a\xd4</html>\r\n");
        writeBytes(root / "news" / "a.htm", "<meta charset=EUC-JP>\xb7\xee");
        writeBytes(root / "news" / "img" / "p.gif", std::string("GIF89a\0\x01", 8));
        writeBytes(root / "news" / "img" / "p.PNG", "\x89PNG");
        writeBytes(root / "news" / "img" / "p.jpg", "\xff\xd8\xff");
        writeBytes(root / "news" / "notes.dat", "x");
        writeBytes(dir.path() / "secret.txt", "outside");
        fs::create_symlink(dir.path() / "secret.txt", root / "news" / "link.html");
    }

    TempDir dir;
    fs::path root;
};

TEST_F(SampleSiteServer, ServesEachFileUnchangedWithTheTypeOfItsExtensionUntilSigterm)
{
    const fs::path portFile = dir.path() / "port";
    ServerProcess server(root, portFile);
    ASSERT_GT(server.port(), 0);
    struct Case
    {
        std::string path;
        fs::path file;
        std::string type;
    };
    const std::vector<Case> cases = {
        // No charset on pages: the page's own declaration has to count.
        {"/news/index.html", "news/index.html", "text/html"},
        {"/news/a.htm", "news/a.htm", "text/html"},
        {"/news/", "news/index.html", "text/html"},
        {"/news/./img/p.gif", "news/img/p.gif", "image/gif"},
        {"/news/img/p.PNG", "news/img/p.PNG", "image/png"},
        {"/news/img/p.jpg", "news/img/p.jpg", "image/jpeg"},
        {"/news/notes.dat", "news/notes.dat", "application/octet-stream"},
    };
    for (const auto& c : cases) {
        const Reply reply = get(server.port(), c.path);
        EXPECT_EQ(reply.status, 200) << c.path;
        EXPECT_EQ(reply.contentType, c.type) << c.path;
        EXPECT_EQ(reply.body, readBytes(root / c.file)) << c.path;
    }
    EXPECT_EQ(get(server.port(), "/news").status, 301);

    EXPECT_EQ(server.stop(), 0);
    EXPECT_FALSE(fs::exists(portFile));
}

TEST_F(SampleSiteServer, AnswersNotFoundForAnythingOutsideTheRoot)
{
    ServerProcess server(root, dir.path() / "port");
    ASSERT_GT(server.port(), 0);
    for (const std::string path : {
             "/../secret.txt",
             "/news/../../secret.txt",
             "/%2e%2e/secret.txt",
             "/news/%2E%2E/%2e%2e/secret.txt",
             "/news/..%2f..%2fsecret.txt",
             "/news/link.html",
             "/news/missing.html",
             "/news/img/",
         }) {
        const Reply reply = get(server.port(), path);
        EXPECT_EQ(reply.status, 404) << path;
        EXPECT_EQ(reply.body.find("outside"), std::string::npos) << path;
    }
}

TEST_F(SampleSiteServer, RefusesABusyPortAndBadArguments)
{
    ServerProcess first(root, dir.path() / "port");
    ASSERT_GT(first.port(), 0);
    const std::string port = std::to_string(first.port());
    EXPECT_EQ(run({kServer, "--root", root.string(), "--port", port}), 1);
    EXPECT_EQ(run({kServer, "--root", (dir.path() / "missing").string()}), 1);
    EXPECT_EQ(run({kServer, "--root", root.string(), "--port", "65536"}), 2);
    EXPECT_EQ(run({kServer, "--port", "0"}), 2);
    // The first server still answers: the second did not take its port over.
    EXPECT_EQ(get(first.port(), "/news/index.html").status, 200);
}

const std::string kMakeSample = std::string(kSourceDir) + "/demo/make_sample.sh";

TEST(MakeSample, WritesASiteListTheRunReadsWithServerAndDataFolderInPlace)
{
    // "ソ" and "表" end in the byte of "\" in CP932, and "|" and "&" mean something to sed.
    for (const std::u16string data : {u"/srv/news/data", u"/tmp/ニュース ソ表/a|b&c\\d"}) {
        TempDir dir;
        const fs::path out = dir.path() / "sample.ini";
        ASSERT_EQ(run({"/bin/sh", kMakeSample, "http://127.0.0.1:8123/", text::toUtf8(data), out.string()}), 0);

        const std::string bytes = readBytes(out);
        EXPECT_EQ(bytes.find('@'), std::string::npos);
        std::size_t lineEnds = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\n') {
                EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << "a line end without CR at " << i;
                ++lineEnds;
            }
        }
        EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");

        std::string error;
        const auto lines = run::readTextLines(out, error);
        ASSERT_TRUE(lines) << error;
        ASSERT_EQ(lines->size(), lineEnds);
        ASSERT_GE(lines->size(), 3U);
        const run::RunSettings settings = run::parseSettingsLine((*lines)[0]);
        EXPECT_EQ(settings.DataPath, data + u"/");
        EXPECT_TRUE(settings.Contents);
        for (std::size_t i = 1; i < lines->size(); ++i) {
            const std::u16string& line = (*lines)[i];
            EXPECT_EQ(std::count(line.begin(), line.end(), u'\t'), 14) << i;
            const run::SiteRecord site = run::parseSiteLine(line);
            EXPECT_EQ(site.IndexAddress.rfind(u"http://127.0.0.1:8123/", 0), 0U) << i;
            EXPECT_EQ(site.ServerAddressHeader.rfind(u"http://127.0.0.1:8123", 0), 0U) << i;
            EXPECT_EQ(site.ServerAddressHeader.find(u"8123//"), std::u16string::npos) << i;
        }
    }
}

TEST(MakeSample, RefusesValuesTheSiteListCannotHoldAndWritesNothing)
{
    TempDir dir;
    const fs::path out = dir.path() / "sample.ini";
    writeBytes(out, "before");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"http://127.0.0.1:8123", "/tmp/\xe2\x82\xac"}, // the euro sign has no CP932 code
             {"http://127.0.0.1:8123", "/tmp/a\tb"},
             {"https://127.0.0.1:8123", "/tmp/data"},
             {"http://127.0.0.1:8123", ""},
         }) {
        EXPECT_NE(run({"/bin/sh", kMakeSample, args[0], args[1], out.string()}), 0) << args[1];
        EXPECT_EQ(readBytes(out), "before");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

} // namespace
} // namespace vz::test
