// Whole headless runs of the program against sites on the loopback, each site on its own address
// (127.0.0.1 to 127.0.0.10, as real sites are on different hosts), through a server that answers
// every request only after a set latency. Measured, each in one run of this program:
//   1. 10 sites x 10 articles of ~30 KB with 2 pictures of ~20 KB each at 100 ms a request: the
//      default jobs against --jobs 1 (the ratio; the data folders must be identical);
//   2. 1,000 articles of 5 KB on one site at no latency: requests per second, --jobs 1 and default,
//      the best of nine rounds each, with the processor time of the program and of the server;
//   3. one article page of 20 MB with links, pictures and tables, cleaned as a typical site list
//      cleans it (tables to line breaks, pictures kept), with fitting to the screen off and on:
//      time and peak memory of the program, against a run of a 5 KB page, so the difference is
//      what the page costs. With VZ_BENCH_BASELINE naming another build of the program, both
//      run the big page in turns, best of three each, and the ratios are printed: a change is
//      measured against what it changes on the same machine at the same time.
//
// Run: build/bench/bench_fetching [latency in ms, default 100] [1, 2 or 3: only that workload]

#include <algorithm>
#include <chrono>
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

#include <httplib.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include "support/temp_dir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

/// One loopback address serving fixed bodies after a latency.
class SlowSite
{
public:
    SlowSite(const std::string& address, std::chrono::milliseconds latency) : m_address(address)
    {
        m_server.set_keep_alive_max_count(100000);
        m_server.set_tcp_nodelay(true);
        m_server.set_keep_alive_timeout(5);
        m_server.Get(".*", [this, latency](const httplib::Request& request, httplib::Response& response) {
            if (latency.count() > 0) {
                std::this_thread::sleep_for(latency);
            }
            const auto found = m_bodies.find(request.path);
            if (found == m_bodies.end()) {
                response.status = 404;
                return;
            }
            ++m_requests;
            const bool page = request.path.ends_with(".html");
            response.set_content(*found->second, page ? "text/html" : "image/gif");
        });
        m_port = m_server.bind_to_any_port(address);
        if (m_port <= 0) {
            throw std::runtime_error("cannot bind " + address);
        }
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~SlowSite()
    {
        m_server.stop();
        m_thread.join();
    }

    std::string base() const { return "http://" + m_address + ":" + std::to_string(m_port) + "/"; }
    /// Only before the runs start: the server's threads read the map.
    void serve(const std::string& path, std::string body)
    {
        m_bodies["/" + path] = std::make_shared<const std::string>(std::move(body));
    }
    int requests() const { return m_requests; }

private:
    std::string m_address;
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
    std::map<std::string, std::shared_ptr<const std::string>> m_bodies;
    std::atomic<int> m_requests{0};
};

std::string filler(std::size_t bytes, std::mt19937& rng)
{
    static const char* const kWords[] = {"market", "rain", "council", "train", "harvest", "festival", "budget"};
    std::string text;
    while (text.size() < bytes) {
        text += kWords[rng() % 7];
        text += rng() % 9 == 0 ? ".<br>\n" : " ";
    }
    return text;
}

std::string article(int n, std::size_t bytes, int pictures, std::mt19937& rng)
{
    std::string page = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">"
                       "</head><body><h1>Article " +
                       std::to_string(n) + "</h1><div id=text>";
    for (int p = 0; p < pictures; ++p) {
        page += "<p><img src=\"img/" + std::to_string(n) + "-" + std::to_string(p) + ".gif\"></p>";
    }
    page += filler(bytes, rng);
    return page + "</div></body></html>";
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
    std::string page = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">"
                       "</head><body><h1>A long <b>article</b></h1><div id=text><script>var a = 1;</script>\n";
    const std::size_t pictureEvery = bytes / static_cast<std::size_t>(pictures + 1);
    int picture = 0;
    while (page.size() < bytes) {
        page += "<p>" + filler(200 + rng() % 400, rng) + " <a href=\"/news/" + std::to_string(rng() % 100000) +
                ".html\" class=\"inline\">" + filler(20, rng) + "</a> " + filler(100 + rng() % 200, rng) + "</P>\r\n";
        if (picture < pictures && page.size() > pictureEvery * static_cast<std::size_t>(picture + 1)) {
            page += "<TABLE class=photo><TR><TD><IMG SRC=\"img/big-" + std::to_string(picture) +
                    ".gif\" width=300></TD></TR><TR><TD>Caption " + std::to_string(picture) + "</TD></TR></TABLE>\r\n";
            ++picture;
        }
    }
    return page + "</div></body></html>";
}

std::map<std::string, std::string> filesUnder(const fs::path& root)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files[entry.path().lexically_relative(root).generic_string()] = vz::test::readBytes(entry.path());
        }
    }
    return files;
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

struct RunResult
{
    double seconds = 0;
    double cpuSeconds = 0;       ///< the program's own, user and system
    double serverCpuSeconds = 0; ///< the loopback sites', which share the machine with it
    long peakKiB = 0;
    std::map<std::string, std::string> files;
};

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

/// Starts `argv` and waits for it. Its peak memory is only its own when the process starting it
/// is small: a child counts the memory of its parent at the start as its own peak.
int spawnAndWait(char** argv, rusage& usage)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
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

/// `bench_fetching --measure PROGRAM ARGS...`: runs the program from this small, fresh process and
/// prints its peak memory in KiB and its processor time in seconds.
int measure(char** argv)
{
    rusage usage{};
    const int status = spawnAndWait(argv, usage);
    std::printf("%ld %f\n", usage.ru_maxrss, seconds(usage.ru_utime) + seconds(usage.ru_stime));
    return status;
}

/// Runs the program headless on `sites` (the lines after the settings), data in `data`. Runs to
/// be compared share one data folder, as the log names it.
RunResult runProgram(const fs::path& home, const std::string& sites, const fs::path& data, int jobs,
                     const std::string& fitting = "J\t0", const std::string& program = VZ_PROGRAM)
{
    fs::remove_all(data);
    const fs::path ini = home / "bench.ini";
    vz::test::writeBytes(ini, fitting + "\t" + data.string() +
                                  "\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATETOPICFILES\r\n" + sites);
    const fs::path numbers = home / "measured.txt";
    std::vector<std::string> args = {"/bin/sh",
                                     "-c",
                                     "exec \"$0\" \"$@\" >" + numbers.string(),
                                     fs::read_symlink("/proc/self/exe").string(),
                                     "--measure",
                                     program,
                                     "--headless",
                                     "--ini",
                                     ini.string()};
    if (jobs > 0) {
        args.insert(args.end(), {"--jobs", std::to_string(jobs)});
    }
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    setenv("VODEZEVA_HOME", home.c_str(), 1);
    // One clock for every run, so their logs can be compared byte for byte.
    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    const double serverCpuBefore = ownCpuSeconds();
    const auto start = Clock::now();
    rusage usage{};
    const int status = spawnAndWait(argv.data(), usage);
    RunResult result;
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    result.serverCpuSeconds = ownCpuSeconds() - serverCpuBefore;
    if (status != 0) {
        throw std::runtime_error("the program failed");
    }
    std::istringstream measured(vz::test::readBytes(numbers));
    measured >> result.peakKiB >> result.cpuSeconds;
    result.files = filesUnder(data);
    return result;
}

void tenSites(const fs::path& home, std::chrono::milliseconds latency, std::mt19937& rng)
{
    std::vector<std::unique_ptr<SlowSite>> hosts;
    std::string sites;
    for (int s = 0; s < 10; ++s) {
        hosts.push_back(std::make_unique<SlowSite>("127.0.0." + std::to_string(s + 1), latency));
        SlowSite& site = *hosts.back();
        std::string list = "<ul><!--list-->";
        for (int a = 0; a < 10; ++a) {
            list += "<li><a href=\"" + site.base() + "a/" + std::to_string(a) + ".html\">" + std::to_string(a) + "</a>";
            site.serve("a/" + std::to_string(a) + ".html", article(a, 30000, 2, rng));
            for (int p = 0; p < 2; ++p) {
                site.serve("a/img/" + std::to_string(a) + "-" + std::to_string(p) + ".gif",
                           "GIF89a" + filler(20000, rng));
            }
        }
        site.serve("index.html", list + "<!--/list--></ul>");
        sites += siteLine(s, site.base() + "index.html", site.base() + "a/", true, true);
    }
    const auto requestsSoFar = [&] {
        int n = 0;
        for (const auto& host : hosts) {
            n += host->requests();
        }
        return n;
    };
    const RunResult one = runProgram(home, sites, home / "data", 1);
    const int requests = requestsSoFar();
    const RunResult many = runProgram(home, sites, home / "data", 0);
    std::printf("10 sites x 10 articles x 2 pictures at %lld ms: %d requests a run\n",
                static_cast<long long>(latency.count()), requests);
    std::printf("  --jobs 1: %6.2f s (%5.0f requests/s)\n", one.seconds, requests / one.seconds);
    std::printf("  default : %6.2f s (%5.0f requests/s)\n", many.seconds, requests / many.seconds);
    std::printf("  ratio   : %6.2f times faster; data folders %s\n", one.seconds / many.seconds,
                compare(one.files, many.files).c_str());
    std::printf("  sequential floor at this latency: %.2f s\n", requests * latency.count() / 1000.0);
}

void thousandArticles(const fs::path& home, std::mt19937& rng)
{
    {
        SlowSite site("127.0.0.1", std::chrono::milliseconds(0));
        std::string list = "<!--list-->";
        for (int a = 0; a < 1000; ++a) {
            list += "<a href=\"" + site.base() + std::to_string(a) + ".html\">x</a>";
            site.serve(std::to_string(a) + ".html", article(a, 5000, 0, rng));
        }
        site.serve("index.html", list + "<!--/list-->");
        const std::string line = siteLine(0, site.base() + "index.html", site.base(), true, false);
        // At no latency the run is bound by the processor time of the program and of the server,
        // which share two cores with whatever else runs: with cores to spare the default overlaps
        // the two, on a loaded machine both settings take about their sum. The best of nine
        // rounds, taken in turns, so that both settings meet the same moments of load (jobs 0 is
        // the default).
        RunResult single, parallel;
        single.seconds = parallel.seconds = 1e9;
        int n = 0;
        for (int round = 0; round < 9; ++round) {
            // Each setting goes first in every other round.
            for (const int jobs : {round % 2, 1 - round % 2}) {
                const int before = site.requests();
                RunResult run = runProgram(home, line, home / "data", jobs);
                n = site.requests() - before;
                RunResult& best = jobs == 1 ? single : parallel;
                if (run.seconds < best.seconds) {
                    best = std::move(run);
                }
            }
        }
        std::printf("1,000 articles of 5 KB, no latency, best of 9: %d requests a run\n", n);
        std::printf("  --jobs 1: %6.2f s (%5.0f requests/s), processor time %.3f s, the server's %.3f s\n",
                    single.seconds, n / single.seconds, single.cpuSeconds, single.serverCpuSeconds);
        std::printf("  default : %6.2f s (%5.0f requests/s), processor time %.3f s, the server's %.3f s\n",
                    parallel.seconds, n / parallel.seconds, parallel.cpuSeconds, parallel.serverCpuSeconds);
        std::printf("  ratio   : %6.2f times faster; data folders %s\n", single.seconds / parallel.seconds,
                    compare(single.files, parallel.files).c_str());
    }
}

void bigPage(const fs::path& home, std::mt19937& rng)
{
    {
        SlowSite site("127.0.0.1", std::chrono::milliseconds(0));
        constexpr std::size_t kBig = 20 * 1000 * 1000;
        constexpr int kPictures = 4;
        site.serve("big.html", bigArticle(kBig, kPictures, rng));
        site.serve("small.html", bigArticle(5000, 1, rng));
        for (int p = 0; p < kPictures; ++p) {
            site.serve("img/big-" + std::to_string(p) + ".gif", "GIF89a" + filler(20000, rng));
        }
        const auto page = [&](const char* name) {
            return siteLine(0, site.base() + name, site.base(), false, true, "RemoveTableTag");
        };
        // Fitting to the screen rewrites every line of the text, so it is measured on its own.
        for (const char* fitting : {"J\t0", "E\t40"}) {
            const int before = site.requests();
            const RunResult small = runProgram(home, page("small.html"), home / "small", 0, fitting);
            const int between = site.requests();
            const RunResult big = runProgram(home, page("big.html"), home / "big", 0, fitting);
            std::printf("one article page of 20 MB with links, %d pictures and their tables, fitting to the screen "
                        "%s (%d requests):\n",
                        kPictures, fitting[0] == 'E' ? "on" : "off", site.requests() - between);
            std::printf("  time %.2f s; peak memory %.1f MB, %.1f MB over a 5 KB page's run (%d requests): %.2f "
                        "times the page\n",
                        big.seconds, big.peakKiB / 1024.0, (big.peakKiB - small.peakKiB) / 1024.0, between - before,
                        (big.peakKiB - small.peakKiB) * 1024.0 / kBig);
            const char* baseline = std::getenv("VZ_BENCH_BASELINE");
            if (baseline && *baseline) {
                RunResult best[2];
                best[0].seconds = best[1].seconds = 1e9;
                for (int round = 0; round < 3; ++round) {
                    for (const int which : {round % 2, 1 - round % 2}) {
                        RunResult run = runProgram(home, page("big.html"), home / "big", 0, fitting,
                                                   which == 0 ? std::string(baseline) : std::string(VZ_PROGRAM));
                        best[which].peakKiB = std::max(best[which].peakKiB, run.peakKiB);
                        best[which].seconds = std::min(best[which].seconds, run.seconds);
                        best[which].files = std::move(run.files);
                    }
                }
                std::printf("  against the baseline, best of 3: time %.2f s / %.2f s = %.2f; peak memory %.1f MB / "
                            "%.1f MB = %.2f; pages %s\n",
                            best[1].seconds, best[0].seconds, best[1].seconds / best[0].seconds,
                            best[1].peakKiB / 1024.0, best[0].peakKiB / 1024.0,
                            static_cast<double>(best[1].peakKiB) / static_cast<double>(best[0].peakKiB),
                            compare(best[0].files, best[1].files).c_str());
            }
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 && std::string_view(argv[1]) == "--measure") {
        return measure(argv + 2);
    }
    const std::chrono::milliseconds latency(argc > 1 ? std::atoi(argv[1]) : 100);
    const int only = argc > 2 ? std::atoi(argv[2]) : 0;
    vz::test::TempDir folder;
    const fs::path home = folder.path();
    std::mt19937 rng(12);

    if (only == 0 || only == 1) {
        tenSites(home, latency, rng);
    }
    if (only == 0 || only == 2) {
        thousandArticles(home, rng);
    }
    if (only == 0 || only == 3) {
        bigPage(home, rng);
    }
    return 0;
}
