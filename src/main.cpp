#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "cli/check_command.h"
#include "cli/headless_command.h"
#include "cli/interrupt.h"
#include "platform/clock.h"
#include "platform/concurrent_fetcher.h"
#include "platform/program_folder.h"
#include "run/text.h"
#include "session/jobs_setting.h"
#include "session/session.h"
#include "version.h"

#ifdef VZ_GUI
#include <QApplication>

#include "platform/program_starter.h"
#include "ui/desktop.h"
#include "ui/editor_window_set.h"
#include "ui/program_look.h"
#include "ui/qt_messages.h"
#include "ui/window_dialogs.h"
#endif

namespace {

constexpr const char* kHelp = R"(Usage: vodezeva [OPTION]...
  or:  vodezeva --check [--ini FILE] [--json] [--jobs N] [SITE]...
Gathers news articles from the sites of a site list file into small HTML pages
for reading offline.

With no option the main window opens on today's entry of the weekday table;
with AUTO in the site list file it gathers at once and closes when done.

  --ini FILE      use FILE as the site list file instead of today's entry of
                  the weekday table, as the window's Read menu would
  --headless      gather once without windows, then exit (for cron and scripts);
                  AUTO is not needed
  --jobs N        fetch up to N pages and pictures at once, at most 4 from
                  one site (default 8, or in the windows the number last picked
                  in their menu); 1 fetches one at a time
  --quiet         with --headless: print only the reports, under a line giving
                  the run's date and time; nothing when all went well
  --epub          with --headless: also write the day's gathering as one EPUB
                  book beside the pages, whatever the site list's options say
  --vertical      with --headless: the same, with the book's text vertical
  --check [SITE]...
                  try each switched-on site (or each SITE, a row number as the
                  configuration window counts rows from 1, or a name) as a run
                  would gather it, writing nothing: the index page, its links
                  fetched and skipped, the first article as it would be
                  written, and what to fix first
  --json          with --check: one JSON document instead of the text reports
  --help          show this help and exit
  --version       show the version and exit

Files:
  The program folder holds the weekday table vodeZeva.def and, by default, the
  site list file vodeZeva.ini. It is $VODEZEVA_HOME when set; else the folder
  of the program itself when it holds a vodeZeva.def; else
  $XDG_CONFIG_HOME/vodezeva (default ~/.config/vodezeva), created when missing.
  A site list file's options (the book, vertical text) are kept beside it in
  FILE.options, one key=value a line.

Environment:
  SOURCE_DATE_EPOCH  when set, taken as the current time (seconds since 1970,
                     UTC), so that a run can be reproduced

Exit status with --headless: 0 when a run gathered something or had nothing
to fetch, 1 when none could be made, 2 for a usage error or a missing --ini
FILE, 3 when nothing was gathered and page downloads failed, 4 when another
vodezeva uses the data folder (or, for the windows, the program folder), 5
when a page, picture, the book or the log could not be written, 130 or 143
when stopped by SIGINT or SIGTERM. With --check: 0 when every site tried gives
an article with all its markers found, 6 when one does not, 1 and 2 as above.
Reports and messages go to standard error, with the cause of each failed
download. The windows report in a window of their own and in the log of the
data folder. See also vodezeva(1).
)";

int usage(const char* problem)
{
    std::fprintf(stderr, "vodezeva: %s\nTry 'vodezeva --help' for more information.\n", problem);
    return 2;
}

#ifdef VZ_GUI
/// The windowed program: the real message boxes, file dialogs, fetcher and program starter,
/// wired to the windows here.
int runWindows(int argc, char** argv, const char* ini, std::optional<int> jobs)
{
    QApplication app(argc, argv);
    vz::ui::dressApplication(app);
    vz::ui::QtMessages messages;
    const auto folder = vz::platform::findProgramFolder();
    if (!folder.folder) {
        messages.alert(u"vodeZeva: プログラムフォルダを用意できません: " + vz::text::fromUtf8(folder.error));
        return 1;
    }
    // One desktop program per program folder: a second would edit the same files and start runs
    // of its own.
    vz::platform::FileLock programLock;
    if (const auto busy = vz::session::takeProgramFolder(vz::text::fromPath(*folder.folder), programLock)) {
        messages.alert(*busy);
        return vz::cli::kExitBusy;
    }
    vz::ui::QtDialogHost dialogs;
    // The editor windows report through the session's reporter, which the desktop holds.
    vz::ui::LateEditorWindows editors;
    vz::platform::SystemClock clock;
    std::optional<vz::platform::ConcurrentFetcher> fetcher;
    try {
        fetcher.emplace();
    } catch (const std::exception& e) {
        messages.alert(u"vodeZeva: " + vz::text::fromUtf8(e.what()));
        return 1;
    }
    vz::platform::PosixProgramStarter starter;
    vz::run::RunState state;
    vz::ui::Desktop desktop(state, {clock, *fetcher, dialogs, editors, starter});
    vz::ui::EditorWindowSet editorWindows(state, desktop.session().reporter(), dialogs);
    editors.setTarget(&editorWindows);
    std::optional<std::u16string> iniFile;
    if (ini) {
        iniFile = vz::text::fromUtf8(ini);
    }
    desktop.start(vz::text::fromPath(*folder.folder), iniFile, jobs);
    if (!desktop.mainWindow().isVisible()) {
        // The automatic run has ended and closed the window.
        return 0;
    }
    return QApplication::exec();
}
#endif

/// --check: the sites tried without windows, the report on standard output.
int runCheck(const char* ini, std::optional<int> jobs, bool json, const std::vector<std::u16string>& sites)
{
    vz::cli::HeadlessFrontEnd messages(stderr, false);
    const auto folder = vz::platform::findProgramFolder();
    if (!folder.folder) {
        std::fprintf(stderr, "vodezeva: プログラムフォルダがありません: %s\n", folder.error.c_str());
        return 1;
    }
    vz::cli::CheckOptions options;
    options.programFolder = vz::text::fromPath(*folder.folder);
    if (ini) {
        options.iniFile = vz::text::fromUtf8(ini);
    }
    options.jobs = jobs.value_or(vz::session::kDefaultJobs);
    options.json = json;
    options.sites = sites;
    vz::platform::SystemClock clock;
    vz::platform::ConcurrentFetcher fetcher;
    const vz::cli::StopOnSignal stopOnSignal(fetcher);
    return vz::cli::runCheck(options, stdout, messages, clock, fetcher);
}

} // namespace

int main(int argc, char** argv)
{
    // A closed standard error or the file size limit must fail a write, not end the run.
    vz::cli::ignoreWriteSignals();
    bool headless = false;
    bool quiet = false;
    bool epub = false;
    bool vertical = false;
    bool check = false;
    bool json = false;
    std::vector<std::u16string> sites;
    const char* ini = nullptr;
    // Without --jobs the windows take the number last picked in their menu, the headless command 8.
    std::optional<int> jobs;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("%s %s\n", vz::kProgramName, vz::kVersion);
            return 0;
        }
        if (arg == "--headless") {
            headless = true;
        } else if (arg == "--check") {
            check = true;
        } else if (arg == "--json") {
            json = true;
        } else if (check && !arg.starts_with("-")) {
            sites.push_back(vz::text::fromUtf8(arg));
        } else if (arg == "--quiet" || arg == "-q") {
            quiet = true;
        } else if (arg == "--epub") {
            epub = true;
        } else if (arg == "--vertical") {
            vertical = true;
        } else if (arg == "--ini") {
            if (i + 1 >= argc) {
                return usage("--ini needs a file");
            }
            ini = argv[++i];
        } else if (arg == "--jobs") {
            jobs = vz::session::parseJobs(i + 1 < argc ? argv[++i] : "");
            if (!jobs) {
                return usage("--jobs needs a number from 1 to 64");
            }
        } else {
            return usage(("unknown option " + std::string(arg)).c_str());
        }
    }
    if (quiet && !headless) {
        return usage("--quiet goes with --headless");
    }
    if ((epub || vertical) && !headless) {
        // The windows take the book from the site list's options, set in the configuration window.
        return usage(epub ? "--epub goes with --headless" : "--vertical goes with --headless");
    }
    if (check && headless) {
        return usage("--check and --headless go apart");
    }
    if (json && !check) {
        return usage("--json goes with --check");
    }
    if (check) {
        return runCheck(ini, jobs, json, sites);
    }
    if (!headless) {
#ifdef VZ_GUI
        std::error_code ec;
        if (ini && !std::filesystem::is_regular_file(vz::text::toPath(vz::text::fromUtf8(ini)), ec)) {
            // As without windows: a mistyped name must not leave a new default site list behind.
            std::fprintf(stderr, "vodezeva: %s: サイトリストファイルがないか、通常のファイルではありません\n", ini);
            return 2;
        }
        return runWindows(argc, argv, ini, jobs);
#else
        return usage("this build has no windows; use --headless");
#endif
    }
    // The line rewritten in place needs a terminal that knows the erase sequence.
    const char* term = std::getenv("TERM");
    const bool live = ::isatty(::fileno(stderr)) != 0 && term && *term && std::strcmp(term, "dumb") != 0;
    vz::cli::HeadlessFrontEnd frontEnd(stderr, live, quiet);
    const auto folder = vz::platform::findProgramFolder();
    if (!folder.folder) {
        std::fprintf(stderr, "vodezeva: プログラムフォルダがありません: %s\n", folder.error.c_str());
        return 1;
    }
    vz::cli::HeadlessOptions options;
    options.programFolder = vz::text::fromPath(*folder.folder);
    if (ini) {
        options.iniFile = vz::text::fromUtf8(ini);
    }
    options.jobs = jobs.value_or(vz::session::kDefaultJobs);
    options.epub = epub;
    options.vertical = vertical;
    vz::platform::SystemClock clock;
    vz::platform::ConcurrentFetcher fetcher;
    const vz::cli::StopOnSignal stopOnSignal(fetcher);
    return vz::cli::runHeadless(options, frontEnd, clock, fetcher);
}
