// Whole headless runs of the program against sites on the loopback, each site on its own address
// (127.0.0.1, 127.0.0.2 and so on, as real sites are on different hosts), through servers that
// answer every request only after a set latency. Each figure is a ratio measured side by side in
// one run of this program, printed with its goal; the program exits with 1 when a goal is missed.
//   1. 10 sites x 10 Japanese articles of ~30 KB with 2 pictures of ~20 KB each at 100 ms a
//      request: the default and --jobs 32 against the limit of their transfers at once (the time
//      if every transfer started the moment the run could know it and a place was free), and
//      --jobs 1 for the data folders, which must be identical;
//   2. 5,000 Japanese articles of 5 KB on one site at no latency: the program against
//      curl --parallel --parallel-max 8 fetching the same addresses, the best of several rounds;
//   3. one Japanese article page of 20 MB with links, pictures and tables, cleaned as a typical
//      site list cleans it: peak memory over a run of a 5 KB page, against the page's size;
//   4. 4,000 sites against 1,000, each an index page and its one article: the program's
//      instructions (counted by valgrind's callgrind), whose growth should stay near linear;
//   5. the program's start without windows (--help, --version, a headless run of one local page)
//      against curl --version: time and peak memory;
//   6. the sites of 1, each response with an ETag, gathered twice into one program folder: the
//      second run's body bytes against the first's, its conditional requests, its data folder.
//
// Run: build/bench/bench_fetching [1 to 6: only that workload]

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <httplib.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include "support/temp_dir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

/// Goals missed so far; the exit status.
int g_missed = 0;

/// Prints "ratio (goal at most G): ok" or "... MISSED" and counts a miss.
void verdict(const char* what, double ratio, double goal)
{
    const bool met = ratio <= goal;
    std::printf("  %-44s %6.2fx (goal at most %.2fx): %s\n", what, ratio, goal, met ? "ok" : "GOAL MISSED");
    g_missed += met ? 0 : 1;
}

/// Serves fixed bodies after a latency, on one address (or on every loopback address, "0.0.0.0").
class SlowSite
{
public:
    /// With `validators`, every body goes out with an ETag, and a request that names it gets a 304.
    SlowSite(const std::string& address, milliseconds latency, bool validators = false) : m_address(address)
    {
        m_server.set_keep_alive_max_count(100000);
        m_server.set_tcp_nodelay(true);
        m_server.set_keep_alive_timeout(2);
        // An idle kept-alive connection holds one of the server's threads; a client keeping many
        // open must never find them all taken.
        m_server.new_task_queue = [] { return new httplib::ThreadPool(64); };
        m_server.Get(".*", [this, latency, validators](const httplib::Request& request, httplib::Response& response) {
            if (latency.count() > 0) {
                std::this_thread::sleep_for(latency);
            }
            const auto found = m_bodies.find(request.path);
            if (found == m_bodies.end()) {
                response.status = 404;
                return;
            }
            ++m_requests;
            if (validators) {
                const std::string tag = "\"" + std::to_string(std::hash<std::string>{}(*found->second)) + "\"";
                response.set_header("ETag", tag);
                if (request.has_header("If-None-Match")) {
                    ++m_conditional;
                }
                if (request.get_header_value("If-None-Match") == tag) {
                    response.status = 304;
                    return;
                }
            }
            m_bytes += found->second->size();
            const bool page = request.path.ends_with(".html");
            response.set_content(*found->second, page ? "text/html" : "image/gif");
        });
        m_port = m_server.bind_to_any_port(address);
        if (m_port <= 0) {
            throw std::runtime_error("cannot bind " + address);
        }
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running()) {
            std::this_thread::sleep_for(milliseconds(1));
        }
    }
    ~SlowSite()
    {
        m_server.stop();
        m_thread.join();
    }

    /// The address of the site on `host` (its own address unless it serves every one).
    std::string base(const std::string& host = {}) const
    {
        return "http://" + (host.empty() ? m_address : host) + ":" + std::to_string(m_port) + "/";
    }
    /// Only before the runs start: the server's threads read the map.
    void serve(const std::string& path, std::string body)
    {
        m_bodies["/" + path] = std::make_shared<const std::string>(std::move(body));
    }
    int requests() const { return m_requests; }
    /// Requests that named a validator, and the body bytes sent in full.
    int conditional() const { return m_conditional; }
    long long bytes() const { return m_bytes; }

private:
    std::string m_address;
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
    std::map<std::string, std::shared_ptr<const std::string>> m_bodies;
    std::atomic<int> m_requests{0};
    std::atomic<int> m_conditional{0};
    std::atomic<long long> m_bytes{0};
};

/// Japanese prose in UTF-8, with a line break now and then.
std::string japanese(std::size_t bytes, std::mt19937& rng)
{
    static const char* const kWords[] = {"市場", "雨",   "議会", "電車", "収穫",     "祭り",   "予算",   "東京",
                                         "選挙", "地震", "経済", "学校", "ニュース", "きょう", "カメラ", "新聞"};
    static const char* const kParticles[] = {"は", "が", "を", "に", "の", "で", "と", "、"};
    std::string text;
    while (text.size() < bytes) {
        text += kWords[rng() % 16];
        text += kParticles[rng() % 8];
        if (rng() % 7 == 0) {
            text += rng() % 3 == 0 ? "。<br>\n" : "。";
        }
    }
    return text;
}

std::string article(int n, std::size_t bytes, int pictures, std::mt19937& rng)
{
    std::string page = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">"
                       "</head><body><h1>記事 " +
                       std::to_string(n) + "</h1><div id=text>";
    for (int p = 0; p < pictures; ++p) {
        page += "<p><img src=\"img/" + std::to_string(n) + "-" + std::to_string(p) + ".gif\"></p>";
    }
    page += japanese(bytes, rng);
    return page + "</div></body></html>";
}

std::string picture(std::mt19937& rng)
{
    std::string bytes = "GIF89a";
    while (bytes.size() < 20000) {
        bytes += static_cast<char>(rng());
    }
    return bytes;
}

/// A site line: markers for the headline and the text, for the index when it lists articles
/// (otherwise the index page is the one article), pictures kept or not.
std::string siteLine(int s, const std::string& index, const std::string& base, bool lists, bool keepPictures,
                     const std::string& tables = "")
{
    const std::string name = "site" + std::to_string(s);
    return name + "\t" + index + "\t" + base + "\t" + name + ".html\t" + (lists ? "<!--list-->\t<!--/list-->" : "\t") +
           "\t<h1>\t</h1>\t<div id=text>\t</div>\t\t" + tables + "\t" + (keepPictures ? "KeepPix" : "") + "\t\t\r\n";
}

/// A long article as news sites write them: paragraphs with links in the text, a few pictures in
/// tables with their captions, and a script, so that every filter a site list turns on has work.
std::string bigArticle(std::size_t bytes, int pictures, std::mt19937& rng)
{
    std::string page = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">"
                       "</head><body><h1>長い<b>記事</b></h1><div id=text><script>var a = 1;</script>\n";
    const std::size_t pictureEvery = bytes / static_cast<std::size_t>(pictures + 1);
    int picture = 0;
    while (page.size() < bytes) {
        page += "<p>" + japanese(200 + rng() % 400, rng) + " <a href=\"/news/" + std::to_string(rng() % 100000) +
                ".html\" class=\"inline\">" + japanese(20, rng) + "</a> " + japanese(100 + rng() % 200, rng) +
                "</P>\r\n";
        if (picture < pictures && page.size() > pictureEvery * static_cast<std::size_t>(picture + 1)) {
            page += "<TABLE class=photo><TR><TD><IMG SRC=\"img/big-" + std::to_string(picture) +
                    ".gif\" width=300></TD></TR><TR><TD>写真 " + std::to_string(picture) + "</TD></TR></TABLE>\r\n";
            ++picture;
        }
    }
    return page + "</div></body></html>";
}

/// "identical", or the files that differ.
std::string compare(const std::map<std::string, std::string>& a, const std::map<std::string, std::string>& b)
{
    std::string differ;
    for (const auto& [name, bytes] : a) {
        const auto other = b.find(name);
        if (other == b.end() || other->second != bytes) {
            differ += " " + name;
        }
    }
    for (const auto& [name, bytes] : b) {
        if (!a.contains(name)) {
            differ += " " + name;
        }
    }
    return differ.empty() ? "identical" : "DIFFER:" + differ;
}

double seconds(const timeval& t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

/// Processor time of this process so far, user and system: the servers' threads, while the main
/// thread only waits for the program.
double ownCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

/// Starts `argv`, its standard error into `errors` (or nowhere), and waits for it.
int spawnAndWait(char** argv, rusage& usage, const char* errors = "/dev/null")
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errors, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return -1;
    }
    int status = 0;
    wait4(pid, &status, 0, &usage);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

/// `bench_fetching --measure PROGRAM ARGS...`: runs the program from this small, fresh process
/// (a child counts the memory of a large parent as its own peak) and prints its peak memory in
/// KiB, its processor time and its time in seconds.
int measure(char** argv)
{
    rusage usage{};
    const auto start = Clock::now();
    const int status = spawnAndWait(argv, usage);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%ld %f %f\n", usage.ru_maxrss, seconds(usage.ru_utime) + seconds(usage.ru_stime), wall);
    return status;
}

struct RunResult
{
    double seconds = 0;
    double cpuSeconds = 0;       ///< the program's own, user and system
    double serverCpuSeconds = 0; ///< this process's (the loopback sites'), which shares the machine
    long peakKiB = 0;
    std::map<std::string, std::string> files;
};

void setRunEnvironment(const fs::path& home)
{
    setenv("VODEZEVA_HOME", home.c_str(), 1);
    // One clock for every run, so their logs can be compared byte for byte.
    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
}

/// Runs `words` through `--measure`, with the environment of a run.
RunResult runMeasured(const fs::path& home, std::vector<std::string> words)
{
    const fs::path numbers = home / "measured.txt";
    std::vector<std::string> args = {"/bin/sh", "-c", "exec \"$0\" \"$@\" >" + numbers.string(),
                                     fs::read_symlink("/proc/self/exe").string(), "--measure"};
    args.insert(args.end(), words.begin(), words.end());
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    setRunEnvironment(home);
    rusage usage{};
    const double serverBefore = ownCpuSeconds();
    if (spawnAndWait(argv.data(), usage) != 0) {
        throw std::runtime_error(words.front() + " failed");
    }
    RunResult result;
    result.serverCpuSeconds = ownCpuSeconds() - serverBefore;
    std::istringstream measured(vz::test::readBytes(numbers));
    measured >> result.peakKiB >> result.cpuSeconds >> result.seconds;
    return result;
}

/// Writes the site list of a run: `sites` (the lines after the settings), data into `data`.
fs::path writeSiteList(const fs::path& home, const std::string& sites, const fs::path& data,
                       const std::string& fitting = "J\t0")
{
    const fs::path ini = home / "bench.ini";
    vz::test::writeBytes(ini, fitting + "\t" + data.string() +
                                  "\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATETOPICFILES\r\n" + sites);
    return ini;
}

std::vector<std::string> headless(const fs::path& ini, int jobs)
{
    std::vector<std::string> words;
    // For profiling: VZ_BENCH_WRAP="/usr/bin/perf record -g -o /tmp/run.data" runs each run under it.
    if (const char* wrap = std::getenv("VZ_BENCH_WRAP")) {
        std::istringstream split(wrap);
        for (std::string word; split >> word;) {
            words.push_back(word);
        }
    }
    words.insert(words.end(), {VZ_PROGRAM, "--headless", "--ini", ini.string()});
    if (jobs > 0) {
        words.insert(words.end(), {"--jobs", std::to_string(jobs)});
    }
    return words;
}

/// Runs the program headless on `sites`, data in `data`. Runs to be compared share one data
/// folder, as the log names it. `jobs` 0 is the default.
RunResult runProgram(const fs::path& home, const std::string& sites, const fs::path& data, int jobs,
                     const std::string& fitting = "J\t0")
{
    fs::remove_all(data);
    RunResult result = runMeasured(home, headless(writeSiteList(home, sites, data, fitting), jobs));
    result.files = vz::test::filesUnder(data);
    return result;
}

/// The time no fetching can beat when every fetch takes `latency`: with `jobs` at once, the first
/// round holds only the `known` index pages and every later one at most `jobs` fetches; and a site
/// of `perSite` fetches, at most `perServer` at once after its index page, needs its own rounds.
double transferLimit(int fetches, int known, int perSite, int jobs, int perServer, double latency)
{
    const auto rounds = [](int n, int per) { return (n + per - 1) / per; };
    const int inAll = 1 + rounds(fetches - std::min(jobs, known), jobs);
    const int oneSite = 1 + rounds(perSite - 1, perServer);
    return std::max(inAll, oneSite) * latency;
}

constexpr milliseconds kTenLatency{100};
constexpr int kTenSites = 10, kTenArticles = 10, kTenPictures = 2;

/// The latency workload: ten servers of ten articles with two pictures each, 100 ms a response.
struct LatencySites
{
    std::vector<std::unique_ptr<SlowSite>> hosts;
    std::string sites;
};

LatencySites latencySites(std::mt19937& rng, bool validators)
{
    LatencySites made;
    for (int s = 0; s < kTenSites; ++s) {
        made.hosts.push_back(std::make_unique<SlowSite>("127.0.0." + std::to_string(s + 1), kTenLatency, validators));
        SlowSite& site = *made.hosts.back();
        std::string list = "<ul><!--list-->";
        for (int a = 0; a < kTenArticles; ++a) {
            list += "<li><a href=\"" + site.base() + "a/" + std::to_string(a) + ".html\">" + std::to_string(a) + "</a>";
            site.serve("a/" + std::to_string(a) + ".html", article(a, 30000, kTenPictures, rng));
            for (int p = 0; p < kTenPictures; ++p) {
                site.serve("a/img/" + std::to_string(a) + "-" + std::to_string(p) + ".gif", picture(rng));
            }
        }
        site.serve("index.html", list + "<!--/list--></ul>");
        made.sites += siteLine(s, site.base() + "index.html", site.base() + "a/", true, true);
    }
    return made;
}

void tenSites(const fs::path& home, std::mt19937& rng)
{
    auto [hosts, sites] = latencySites(rng, false);
    const auto requests = [&] {
        int n = 0;
        for (const auto& host : hosts) {
            n += host->requests();
        }
        return n;
    };
    int before = requests();
    const RunResult one = runProgram(home, sites, home / "data", 1);
    const int perRun = requests() - before;
    const RunResult eight = runProgram(home, sites, home / "data", 0);
    const RunResult many = runProgram(home, sites, home / "data", 32);
    const double latency = std::chrono::duration<double>(kTenLatency).count();
    const int perSite = 1 + kTenArticles * (1 + kTenPictures);
    const double limit8 = transferLimit(kTenSites * perSite, kTenSites, perSite, 8, 4, latency);
    const double limit32 = transferLimit(kTenSites * perSite, kTenSites, perSite, 32, 4, latency);
    std::printf("1. %d sites x %d articles x %d pictures at %lld ms a request: %d requests a run\n", kTenSites,
                kTenArticles, kTenPictures, static_cast<long long>(kTenLatency.count()), perRun);
    std::printf("  --jobs 1  : %6.2f s\n", one.seconds);
    std::printf("  default   : %6.2f s, limit of 8 at once (4 a site) %.2f s; data folder %s\n", eight.seconds, limit8,
                compare(one.files, eight.files).c_str());
    std::printf("  --jobs 32 : %6.2f s, limit of 32 at once (4 a site) %.2f s; data folder %s\n", many.seconds, limit32,
                compare(one.files, many.files).c_str());
    verdict("default against its limit", eight.seconds / limit8, 1.05);
    verdict("--jobs 32 against its limit", many.seconds / limit32, 1.20);
    g_missed += compare(one.files, eight.files) == "identical" && compare(one.files, many.files) == "identical" ? 0 : 1;
}

void twiceOver(const fs::path& home, std::mt19937& rng)
{
    auto [hosts, sites] = latencySites(rng, true);
    const auto total = [&](auto count) {
        long long n = 0;
        for (const auto& host : hosts) {
            n += (*host.*count)();
        }
        return n;
    };
    const fs::path own = home / "twice";
    fs::create_directories(own);
    fs::remove(own / "vodeZeva.cache");
    const RunResult first = runProgram(own, sites, own / "data", 0);
    const long long firstBytes = total(&SlowSite::bytes);
    const long long requestsBefore = total(&SlowSite::requests);
    const long long conditionalBefore = total(&SlowSite::conditional);
    const RunResult second = runProgram(own, sites, own / "data", 0);
    const long long secondBytes = total(&SlowSite::bytes) - firstBytes;
    const long long requests = total(&SlowSite::requests) - requestsBefore;
    const long long conditional = total(&SlowSite::conditional) - conditionalBefore;
    std::printf("6. the sites of 1 with an ETag on every response, gathered twice\n");
    std::printf("  first run : %6.2f s, %lld body bytes\n", first.seconds, firstBytes);
    std::printf("  second run: %6.2f s, %lld body bytes; %lld of %lld requests conditional; data folder %s\n",
                second.seconds, secondBytes, conditional, requests, compare(first.files, second.files).c_str());
    verdict("second run's bytes against the first's",
            static_cast<double>(secondBytes) / static_cast<double>(firstBytes), 0.05);
    g_missed += compare(first.files, second.files) == "identical" && conditional == requests ? 0 : 1;
}

/// curl fetching `urls`, `atOnce` at a time, into nothing: the peer of a run at no latency. It
/// asks for compressed bodies as the program does, so the server does the same work for both.
RunResult runCurl(const fs::path& home, const std::vector<std::string>& urls, int atOnce)
{
    const fs::path config = home / "curl.config";
    std::string lines = "parallel\nparallel-max = " + std::to_string(atOnce) +
                        "\nsilent\ncompressed\n"
                        "header = \"Accept-Encoding: gzip, deflate\"\n";
    for (const auto& url : urls) {
        lines += "url = \"" + url + "\"\noutput = \"/dev/null\"\n";
    }
    vz::test::writeBytes(config, lines);
    return runMeasured(home, {"/usr/bin/curl", "--config", config.string()});
}

void manyArticles(const fs::path& home, std::mt19937& rng)
{
    constexpr int kArticles = 5000;
    constexpr int kRounds = 5;
    SlowSite site("127.0.0.1", milliseconds(0));
    std::string list = "<!--list-->";
    std::vector<std::string> urls = {site.base() + "index.html"};
    for (int a = 0; a < kArticles; ++a) {
        list += "<a href=\"" + site.base() + std::to_string(a) + ".html\">x</a>";
        site.serve(std::to_string(a) + ".html", article(a, 5000, 0, rng));
        urls.push_back(site.base() + std::to_string(a) + ".html");
    }
    site.serve("index.html", list + "<!--/list-->");
    const std::string line = siteLine(0, site.base() + "index.html", site.base(), true, false);
    // At no latency the run is bound by the processor time of the program and of the server,
    // which share two cores with whatever else runs: the best of several rounds, taken in turns,
    // so that both meet the same moments of load.
    RunResult program, curl;
    program.seconds = curl.seconds = 1e9;
    int n = 0;
    for (int round = 0; round < kRounds; ++round) {
        for (const bool ours : {round % 2 == 0, round % 2 != 0}) {
            const int before = site.requests();
            RunResult run = ours ? runProgram(home, line, home / "data", 0) : runCurl(home, urls, 8);
            if (ours) {
                n = site.requests() - before;
            } else if (site.requests() - before != kArticles + 1) {
                throw std::runtime_error("curl made " + std::to_string(site.requests() - before) + " requests");
            }
            RunResult& best = ours ? program : curl;
            if (run.seconds < best.seconds) {
                best = std::move(run);
            }
        }
    }
    std::printf("2. %d articles of 5 KB on one site, no latency, best of %d: %d requests a run\n", kArticles, kRounds,
                n);
    std::printf("  vodezeva  : %6.2f s (%5.0f requests/s), processor time %.3f s (%.0f us a request), the server's "
                "%.3f s\n",
                program.seconds, n / program.seconds, program.cpuSeconds, program.cpuSeconds * 1e6 / n,
                program.serverCpuSeconds);
    std::printf("  curl -Z 8 : %6.2f s (%5.0f requests/s), processor time %.3f s (%.0f us a request), the server's "
                "%.3f s\n",
                curl.seconds, n / curl.seconds, curl.cpuSeconds, curl.cpuSeconds * 1e6 / n, curl.serverCpuSeconds);
    verdict("vodezeva against curl --parallel-max 8", program.seconds / curl.seconds, 1.10);
}

void bigPage(const fs::path& home, std::mt19937& rng)
{
    SlowSite site("127.0.0.1", milliseconds(0));
    constexpr std::size_t kBig = 20 * 1000 * 1000;
    constexpr int kPictures = 4;
    const std::string big = bigArticle(kBig, kPictures, rng);
    site.serve("big.html", big);
    site.serve("small.html", bigArticle(5000, 1, rng));
    for (int p = 0; p < kPictures; ++p) {
        site.serve("img/big-" + std::to_string(p) + ".gif", picture(rng));
    }
    const auto page = [&](const char* name) {
        return siteLine(0, site.base() + name, site.base(), false, true, "RemoveTableTag");
    };
    const RunResult small = runProgram(home, page("small.html"), home / "small", 0);
    const RunResult run = runProgram(home, page("big.html"), home / "big", 0);
    const double over = static_cast<double>(run.peakKiB - small.peakKiB) * 1024.0;
    std::printf("3. one Japanese article page of %.1f MB (UTF-8) with links, %d pictures and their tables, tables to "
                "line breaks, pictures kept:\n",
                static_cast<double>(big.size()) / 1e6, kPictures);
    std::printf("  time %.2f s; peak memory %.1f MB, %.1f MB over a 5 KB page's run\n", run.seconds,
                static_cast<double>(run.peakKiB) / 1024.0, over / 1e6);
    verdict("peak memory over the small run against the page", over / static_cast<double>(big.size()), 1.70);
}

/// The instructions of the run of `sites` sites, each an index page and its one article, each site
/// on an address of its own, counted by callgrind.
double instructions(const fs::path& home, const SlowSite& server, int sites)
{
    std::string lines;
    for (int s = 0; s < sites; ++s) {
        const std::string host = "127.0." + std::to_string(1 + s / 250) + "." + std::to_string(1 + s % 250);
        lines += siteLine(s, server.base(host) + "index.html", server.base(host), true, false);
    }
    const fs::path data = home / "sites";
    fs::remove_all(data);
    const fs::path ini = writeSiteList(home, lines, data);
    // VZ_BENCH_CALLGRIND=PREFIX keeps each count in PREFIX.<sites> for callgrind_annotate.
    const char* keep = std::getenv("VZ_BENCH_CALLGRIND");
    std::vector<std::string> words = {"/usr/bin/valgrind", "--tool=callgrind",
                                      "--callgrind-out-file=" +
                                          (keep ? std::string(keep) + "." + std::to_string(sites) : "/dev/null")};
    for (const auto& word : headless(ini, 0)) {
        words.push_back(word);
    }
    std::vector<char*> argv;
    for (auto& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const fs::path log = home / "callgrind.txt";
    setRunEnvironment(home);
    rusage usage{};
    if (spawnAndWait(argv.data(), usage, log.c_str()) != 0) {
        throw std::runtime_error("the program failed under valgrind");
    }
    const std::string text = vz::test::readBytes(log);
    const auto at = text.find("Collected : ");
    if (at == std::string::npos) {
        throw std::runtime_error("callgrind counted nothing");
    }
    return std::strtod(text.c_str() + at + 12, nullptr);
}

void manySites(const fs::path& home, std::mt19937& rng)
{
    if (!fs::exists("/usr/bin/valgrind")) {
        std::printf("4. skipped: valgrind is not installed\n");
        return;
    }
    // One server on every loopback address, so that thousands of sites each have a host of their own.
    SlowSite server("0.0.0.0", milliseconds(0));
    server.serve("index.html", "<!--list--><a href=\"a.html\">a</a><!--/list-->");
    server.serve("a.html", article(0, 2000, 0, rng));
    const double small = instructions(home, server, 1000);
    const double large = instructions(home, server, 4000);
    std::printf("4. 4,000 sites against 1,000, each an index page and its one article:\n");
    std::printf("  instructions %.0f million against %.0f million\n", large / 1e6, small / 1e6);
    verdict("growth of the instructions (linear is 4.00x)", large / small, 4.20);
}

void startUp(const fs::path& home)
{
    constexpr int kRounds = 21;
    // A run of one small page from a file: the whole run without the network.
    std::mt19937 rng(5);
    vz::test::writeBytes(home / "page.html", article(0, 5000, 0, rng));
    const fs::path ini =
        writeSiteList(home, siteLine(0, "file://" + (home / "page.html").string(), "", false, false), home / "one");
    const struct
    {
        const char* name;
        std::vector<std::string> words;
    } starts[] = {{"curl --version", {"/usr/bin/curl", "--version"}},
                  {"vodezeva --help", {VZ_PROGRAM, "--help"}},
                  {"vodezeva --version", {VZ_PROGRAM, "--version"}},
                  {"vodezeva --headless (one page)", headless(ini, 0)}};
    // Each in turn in every round, so that all meet the same moments of load; the best of each.
    std::vector<RunResult> best(std::size(starts));
    for (RunResult& result : best) {
        result.seconds = 1e9;
    }
    for (int round = 0; round < kRounds; ++round) {
        for (std::size_t i = 0; i < std::size(starts); ++i) {
            const RunResult run = runMeasured(home, starts[i].words);
            best[i].seconds = std::min(best[i].seconds, run.seconds);
            best[i].peakKiB = std::max(best[i].peakKiB, run.peakKiB);
        }
    }
    std::printf("5. the start of the program, best of %d:\n", kRounds);
    for (std::size_t i = 0; i < std::size(starts); ++i) {
        std::printf("  %-34s %6.1f ms, peak memory %5.1f MB\n", starts[i].name, best[i].seconds * 1e3,
                    static_cast<double>(best[i].peakKiB) / 1024.0);
    }
    for (std::size_t i = 1; i < std::size(starts); ++i) {
        verdict((std::string(starts[i].name) + ": time against curl").c_str(), best[i].seconds / best[0].seconds, 1.5);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 && std::string_view(argv[1]) == "--measure") {
        return measure(argv + 2);
    }
    const int only = argc > 1 ? std::atoi(argv[1]) : 0;
    vz::test::TempDir folder;
    const fs::path home = folder.path();
    std::mt19937 rng(12);
    try {
        if (only == 0 || only == 1) {
            tenSites(home, rng);
        }
        if (only == 0 || only == 2) {
            manyArticles(home, rng);
        }
        if (only == 0 || only == 3) {
            bigPage(home, rng);
        }
        if (only == 0 || only == 4) {
            manySites(home, rng);
        }
        if (only == 0 || only == 5) {
            startUp(home);
        }
        if (only == 0 || only == 6) {
            twiceOver(home, rng);
        }
    } catch (const std::exception& e) {
        std::printf("failed: %s\n", e.what());
        return 2;
    }
    if (g_missed > 0) {
        std::printf("%d goal(s) MISSED\n", g_missed);
        return 1;
    }
    std::printf("every goal met\n");
    return 0;
}
