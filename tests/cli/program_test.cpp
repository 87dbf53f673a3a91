// The program itself, started as a scheduler or a shell would start it: signals, the file size
// limit, a closed standard error and a second program on the same folder reach a real process.

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "support/test_http_server.h"
#include "support/zip_reader.h"

namespace vz::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kMarkers = "\t<ul>\t</ul>\t<h1>\t</h1>\t<div>\t</div>";

/// How a child process is started.
struct Launch
{
    std::optional<rlim_t> fileSizeLimit;
    /// Standard error is a pipe nobody reads from.
    bool closedStderr = false;
};

/// `vodezeva --headless` in a process of its own, with VODEZEVA_HOME in a fresh folder.
class Child
{
public:
    Child(const fs::path& home, const std::vector<std::string>& args, Launch launch = {}) : m_err(home / "stderr")
    {
        m_err += std::to_string(++s_count);
        std::vector<std::string> words{VZ_PROGRAM, "--headless"};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> variables{"VODEZEVA_HOME=" + home.string()};
        for (char** variable = environ; *variable; ++variable) {
            if (!std::string_view(*variable).starts_with("VODEZEVA_HOME=")) {
                variables.emplace_back(*variable);
            }
        }
        std::vector<char*> envp;
        for (std::string& variable : variables) {
            envp.push_back(variable.data());
        }
        envp.push_back(nullptr);
        const int errFd = ::open(m_err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        int pipeFds[2] = {-1, -1};
        if (launch.closedStderr && ::pipe2(pipeFds, O_CLOEXEC) == 0) {
            ::close(pipeFds[0]);
        }
        m_started = Clock::now();
        m_pid = ::fork();
        if (m_pid == 0) {
            // Only what is safe between fork and exec.
            if (launch.fileSizeLimit) {
                const rlimit limit{*launch.fileSizeLimit, *launch.fileSizeLimit};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            ::dup2(launch.closedStderr ? pipeFds[1] : errFd, 2);
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
        ::close(errFd);
        if (pipeFds[1] >= 0) {
            ::close(pipeFds[1]);
        }
    }

    void signal(int number) const { ::kill(m_pid, number); }

    /// The exit status (128 and the number for a signal that ended it), after at most `limit`.
    int wait(std::chrono::seconds limit = 30s)
    {
        int status = 0;
        while (::waitpid(m_pid, &status, WNOHANG) == 0) {
            if (Clock::now() - m_started > limit) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &status, 0);
                return -1;
            }
            std::this_thread::sleep_for(5ms);
        }
        m_ended = Clock::now();
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    Clock::time_point ended() const { return m_ended; }
    pid_t pid() const { return m_pid; }
    std::string err() const { return readBytes(m_err); }

private:
    static inline int s_count = 0;
    fs::path m_err;
    pid_t m_pid = -1;
    Clock::time_point m_started;
    Clock::time_point m_ended;
};

bool waitUntil(const std::function<bool()>& condition, std::chrono::seconds limit = 10s)
{
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

class ProgramTest : public ::testing::Test
{
protected:
    ProgramTest()
    {
        // Answers only when the test lets it: a site that never answers.
        server.handle("/hang.html", [this](const httplib::Request&, httplib::Response& response) {
            ++hung;
            ++busy;
            waitUntil([this] { return release.load(); }, 60s);
            response.set_content("<h1>late</h1><div>late</div>", "text/html");
            --busy;
        });
        // A body that comes a few bytes a second and never ends in time.
        server.handle("/trickle.html", [this](const httplib::Request&, httplib::Response& response) {
            ++hung;
            response.set_chunked_content_provider("text/html", [this](std::size_t, httplib::DataSink& sink) {
                std::this_thread::sleep_for(100ms);
                return !release && sink.write("<p>", 3);
            });
        });
        server.serve("/one.html", "<h1>One</h1><div>first article</div>");
        data = home.path() / "data";
        fs::create_directories(data);
    }

    ~ProgramTest() override { answerHungRequests(); }

    /// Lets every hung request end, so that the server's threads are free again.
    void answerHungRequests()
    {
        release = true;
        waitUntil([this] { return busy == 0; });
    }

    /// A site line: the index lists `articles` (paths on the server) between <ul> and </ul>.
    std::string site(const std::string& name, const std::vector<std::string>& articles, const std::string& file,
                     const std::string& pix = "")
    {
        std::string index = "<ul>";
        for (const std::string& article : articles) {
            index += "<a href=\"" + server.url(article) + "\">x</a>";
        }
        server.serve("/" + name + "/index.html", index + "</ul>");
        return name + "\t" + server.url("/" + name + "/index.html") + "\t" + server.url("/") + "\t" + file + kMarkers +
               "\t\t\t" + pix + "\t\t\r\n";
    }

    std::string writeSites(const std::string& sites)
    {
        const fs::path ini = home.path() / "sites.ini";
        writeBytes(ini, "J\t0\t" + data.string() + "\tNOAUTO\tNODAILY\t\tNOCONTENTS\t\r\n" + sites);
        return ini.string();
    }

    /// Nothing of the run is left behind but its pages and log: no temporary file, no lock.
    void expectNothingLeftOver()
    {
        for (const auto& [name, bytes] : filesUnder(data)) {
            EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
            EXPECT_NE(name, "vodeZeva.lock");
        }
    }

    // Before the server, which its handlers outlive otherwise.
    std::atomic<int> hung{0};
    std::atomic<int> busy{0};
    std::atomic<bool> release{false};
    TestHttpServer server;
    TempDir home;
    fs::path data;
};

// Whatever the run waits for, SIGTERM ends it within a second (three allowed for a loaded
// machine) with the status the README gives, and the page gathered so far is whole.
TEST_F(ProgramTest, SigtermTakesEffectAtOnceWhateverTheRunWaitsFor)
{
    std::string pictures = "<h1>Pix</h1><div>";
    for (int n = 0; n < 3000; ++n) {
        pictures += "<img src=\"" + server.url("/hang.html?" + std::to_string(n)) + "\">";
    }
    server.serve("/pictures.html", pictures + "</div>");
    const struct
    {
        const char* what;
        std::vector<std::string> articles;
        const char* pix;
        /// What the page holds afterwards; empty when it is left as it was.
        const char* page;
    } cases[] = {
        {"an article that never answers", {"/one.html", "/hang.html"}, "", "first article"},
        {"an article that trickles", {"/one.html", "/trickle.html"}, "", "first article"},
        {"thousands of pictures that never answer", {"/one.html", "/pictures.html"}, "KeepPix", "first article"},
        {"the first page", {"/hang.html"}, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(data / "news.html", "yesterday's page");
        hung = 0;
        release = false;
        // With the book on: it holds what the pages hold, whole, or is not there at all.
        Child run(home.path(), {"--epub", "--ini", writeSites(site("news", c.articles, "news.html", c.pix))});
        ASSERT_TRUE(waitUntil([this] { return hung > 0; })) << run.err();
        // The first article is written by now; the hanging fetch may have gone out ahead of it.
        std::this_thread::sleep_for(500ms);
        const auto signalled = Clock::now();
        run.signal(SIGTERM);
        ASSERT_EQ(run.wait(), 143) << run.err();
        EXPECT_LT(run.ended() - signalled, 3s) << run.err();
        const std::string page = readBytes(data / "news.html");
        std::optional<std::vector<ZipFile>> book;
        for (const auto& [name, bytes] : filesUnder(data)) {
            if (name.ends_with(".epub")) {
                book = readZip(bytes);
                ASSERT_TRUE(book) << name << " is no whole archive";
                fs::remove(data / name); // the next case's book is its own
            }
        }
        if (*c.page == '\0') {
            EXPECT_EQ(page, "yesterday's page");
            EXPECT_FALSE(book) << "a book of nothing";
        } else {
            ASSERT_TRUE(book);
            EXPECT_NE(fileIn(*book, "EPUB/site1.xhtml").find(c.page), std::string::npos);
            EXPECT_NE(page.find(c.page), std::string::npos) << page;
            EXPECT_TRUE(page.ends_with("</html>\r\n")) << page;
            EXPECT_EQ(page.find("late"), std::string::npos);
        }
        expectNothingLeftOver();
        answerHungRequests();
    }
}

// A page with thousands of missing pictures costs a bounded number of requests, and what was
// left out is reported.
TEST_F(ProgramTest, ThousandsOfMissingPicturesCostAHundredRequests)
{
    std::string article = "<h1>Pix</h1><div>text";
    for (int n = 0; n < 5000; ++n) {
        article += "<img src=\"missing/" + std::to_string(n) + ".gif\">";
    }
    server.serve("/pix.html", article + "</div>");
    Child run(home.path(), {"--ini", writeSites(site("pix", {"/pix.html"}, "pix.html", "KeepPix"))});
    ASSERT_EQ(run.wait(60s), 0) << run.err();
    std::size_t pictureRequests = 0;
    for (const auto& request : server.received()) {
        pictureRequests += request.path.starts_with("/missing/") ? 1 : 0;
    }
    EXPECT_LE(pictureRequests, 100U) << "the base and the article's folder are one address: one try each";
    EXPECT_NE(run.err().find("画像の一部を省きました。"), std::string::npos) << run.err();
    EXPECT_NE(run.err().find("（4900 枚"), std::string::npos) << run.err();
    EXPECT_NE(readBytes(data / "pix.html").find("text"), std::string::npos);
}

// Two runs on one data folder: the second says who holds it and leaves the first one's pages alone.
TEST_F(ProgramTest, ASecondRunOnTheSameDataFolderSaysWhoHoldsItAndDoesNothing)
{
    const std::string ini = writeSites(site("news", {"/one.html", "/hang.html"}, "news.html"));
    Child first(home.path(), {"--ini", ini});
    ASSERT_TRUE(waitUntil([this] { return hung > 0; })) << first.err();
    Child second(home.path(), {"--ini", ini});
    EXPECT_EQ(second.wait(), 4);
    EXPECT_NE(second.err().find("データフォルダは別の vodeZeva が使用中です。"), std::string::npos) << second.err();
    EXPECT_NE(second.err().find("プロセス " + std::to_string(first.pid()) + "、vodezeva --headless"), std::string::npos)
        << second.err();
    release = true;
    ASSERT_EQ(first.wait(), 0) << first.err();
    const std::string page = readBytes(data / "news.html");
    EXPECT_EQ(page.find("</html>"), page.rfind("</html>")) << page;
    EXPECT_NE(page.find("first article"), std::string::npos);
    EXPECT_NE(page.find("late"), std::string::npos);
    EXPECT_EQ(readBytes(data / "vodeZeva.log").find("INIT"), std::string::npos) << "the first run's log is its own";
    expectNothingLeftOver();
}

// What the system refuses to write ends nothing: the file size limit, a closed standard error.
TEST_F(ProgramTest, WriteFailuresAreReportedWithTheFileAndTheRunGoesOn)
{
    server.serve("/big.html", "<h1>Big</h1><div>" + std::string(6000, 'b') + "</div>");
    const std::string ini =
        writeSites(site("big", {"/big.html"}, "big.html") + site("small", {"/one.html"}, "small.html"));
    writeBytes(data / "big.html", "yesterday's big page");

    Child limited(home.path(), {"--ini", ini}, Launch{4000, false});
    EXPECT_EQ(limited.wait(), 5) << limited.err();
    EXPECT_EQ(readBytes(data / "big.html"), "yesterday's big page") << "the old page stays whole";
    EXPECT_NE(readBytes(data / "small.html").find("first article"), std::string::npos) << "the next site is gathered";
    EXPECT_NE(limited.err().find("出力ファイルに書き込めませんでした。 : " + (data / "big.html").string() +
                                 "（サイト「big」: ファイルの大きさの上限を超えました（EFBIG））"),
              std::string::npos)
        << limited.err();
    expectNothingLeftOver();

    fs::remove(data / "small.html");
    Child unread(home.path(), {"--ini", ini}, Launch{std::nullopt, true});
    EXPECT_EQ(unread.wait(), 0);
    EXPECT_NE(readBytes(data / "small.html").find("first article"), std::string::npos);
}

// A mistaken command line, and settings that name what no run may use, are refused by name at once.
TEST_F(ProgramTest, ASiteListThatIsNoFileAndAPageOutsideTheDataFolderAreRefusedByName)
{
    // A mistake on the command line is told on standard error with the usage status.
    Child mistaken(home.path(), {"--jobs", "0"});
    EXPECT_EQ(mistaken.wait(10s), 2);
    EXPECT_NE(mistaken.err().find("--jobs needs a number from 1 to 64"), std::string::npos) << mistaken.err();

    writeBytes(home.path() / "vodeZeva.def", "1\t/dev/zero\r\n");
    Child zero(home.path(), {});
    EXPECT_EQ(zero.wait(10s), 1) << zero.err();
    EXPECT_NE(zero.err().find("/dev/zero（通常のファイルではありません"), std::string::npos) << zero.err();

    const std::string ini =
        writeSites(site("escape", {"/one.html"}, "../escaped.html") + site("news", {"/one.html"}, "news.html"));
    Child escape(home.path(), {"--ini", ini});
    EXPECT_EQ(escape.wait(), 0) << escape.err();
    EXPECT_FALSE(fs::exists(home.path() / "escaped.html"));
    EXPECT_NE(escape.err().find("（サイト「escape」: 出力ファイル名にフォルダの区切り"), std::string::npos)
        << escape.err();
    EXPECT_NE(readBytes(data / "news.html").find("first article"), std::string::npos);
}

} // namespace
} // namespace vz::test
