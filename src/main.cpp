#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/check_command.h"
#include "cli/command_line.h"
#include "cli/headless_command.h"
#include "cli/interrupt.h"
#include "platform/clock.h"
#include "platform/concurrent_fetcher.h"
#include "platform/error_text.h"
#include "platform/program_folder.h"
#include "platform/response_cache.h"
#include "run/text.h"
#include "session/jobs_setting.h"
#include "version.h"

namespace {

#ifdef VZ_GUI
/// Opens the windows: their program takes over this process, with the same words and this
/// program's path as its first, so that it finds the same program folder. Returns only when it
/// cannot be started.
int startWindows(int argc, char** argv)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    // Beside this program in a build or a portable folder; where the installation put it,
    // relative to this program and then as installed.
    const fs::path candidates[] = {self.parent_path() / "vodezeva-windows", self.parent_path() / VZ_WINDOWS_FROM_BIN,
                                   fs::path(VZ_WINDOWS_INSTALLED)};
    std::string selfPath = ec ? std::string(argv[0]) : self.string();
    std::vector<char*> words(argv, argv + argc);
    words[0] = selfPath.data();
    words.push_back(nullptr);
    int error = ENOENT;
    for (const fs::path& candidate : candidates) {
        if (!ec && ::access(candidate.c_str(), X_OK) == 0) {
            ::execv(candidate.c_str(), words.data());
            error = errno;
        }
    }
    std::fprintf(stderr, "vodezeva: ウィンドウのプログラム %s を起動できません（%s）。--headless で収集できます\n",
                 fs::path(VZ_WINDOWS_INSTALLED).c_str(), vz::platform::errnoText(error).c_str());
    return 1;
}
#endif

/// --check: the sites tried without windows, the report on standard output.
int runCheck(const vz::cli::CommandLine& line)
{
    vz::cli::HeadlessFrontEnd messages(stderr, false);
    const auto folder = vz::platform::findProgramFolder();
    if (!folder.folder) {
        std::fprintf(stderr, "vodezeva: プログラムフォルダがありません: %s\n", folder.error.c_str());
        return 1;
    }
    vz::cli::CheckOptions options;
    options.programFolder = vz::text::fromPath(*folder.folder);
    if (line.ini) {
        options.iniFile = vz::text::fromUtf8(*line.ini);
    }
    options.jobs = line.jobs.value_or(vz::session::kDefaultJobs);
    options.json = line.json;
    for (const std::string& site : line.sites) {
        options.sites.push_back(vz::text::fromUtf8(site));
    }
    vz::platform::SystemClock clock;
    vz::platform::ConcurrentFetcher fetcher;
    const vz::cli::StopOnSignal stopOnSignal(fetcher);
    // A trial writes nothing anywhere, the cache file included: it only asks with what the runs kept.
    const std::filesystem::path cachePath = *folder.folder / vz::platform::kCacheFileName;
    std::error_code ec;
    std::unique_ptr<vz::platform::ResponseCache> cache;
    if (!line.noCache && std::filesystem::is_regular_file(cachePath, ec)) {
        cache = vz::platform::ResponseCache::openToRead(cachePath.string());
        fetcher.useCache(cache.get());
    }
    const int status = vz::cli::runCheck(options, stdout, messages, clock, fetcher);
    fetcher.useCache(nullptr);
    if (cache && !cache->problem().empty()) {
        std::fprintf(stderr, "vodezeva: %s: %s\n", cachePath.c_str(), cache->problem().c_str());
    }
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    // A closed standard error or the file size limit must fail a write, not end the run.
    vz::cli::ignoreWriteSignals();
    const vz::cli::CommandLine line = vz::cli::parseCommandLine(argc, argv);
    switch (line.action) {
    case vz::cli::CommandLine::Action::Help:
        std::fputs(vz::cli::kHelpText, stdout);
        return 0;
    case vz::cli::CommandLine::Action::Version:
        std::printf("%s %s\n", vz::kProgramName, vz::kVersion);
        return 0;
    case vz::cli::CommandLine::Action::Usage:
        return vz::cli::usage(line.problem);
    case vz::cli::CommandLine::Action::Run:
        break;
    }
    if (line.check) {
        return runCheck(line);
    }
    if (!line.headless) {
#ifdef VZ_GUI
        std::error_code ec;
        if (line.ini && !std::filesystem::is_regular_file(vz::text::toPath(vz::text::fromUtf8(*line.ini)), ec)) {
            // As without windows: a mistyped name must not leave a new default site list behind.
            std::fprintf(stderr, "vodezeva: %s: サイトリストファイルがないか、通常のファイルではありません\n",
                         line.ini->c_str());
            return vz::cli::kExitUsage;
        }
        return startWindows(argc, argv);
#else
        return vz::cli::usage("this build has no windows; use --headless");
#endif
    }
    // The line rewritten in place needs a terminal that knows the erase sequence.
    const char* term = std::getenv("TERM");
    const bool live = ::isatty(::fileno(stderr)) != 0 && term && *term && std::strcmp(term, "dumb") != 0;
    vz::cli::HeadlessFrontEnd frontEnd(stderr, live, line.quiet);
    const auto folder = vz::platform::findProgramFolder();
    if (!folder.folder) {
        std::fprintf(stderr, "vodezeva: プログラムフォルダがありません: %s\n", folder.error.c_str());
        return 1;
    }
    vz::cli::HeadlessOptions options;
    options.programFolder = vz::text::fromPath(*folder.folder);
    if (line.ini) {
        options.iniFile = vz::text::fromUtf8(*line.ini);
    }
    options.jobs = line.jobs.value_or(vz::session::kDefaultJobs);
    options.epub = line.epub;
    options.vertical = line.vertical;
    options.noCache = line.noCache;
    vz::platform::SystemClock clock;
    vz::platform::ConcurrentFetcher fetcher;
    const vz::cli::StopOnSignal stopOnSignal(fetcher);
    return vz::cli::runHeadless(options, frontEnd, clock, fetcher);
}
