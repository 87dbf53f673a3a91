#include "command_line.h"

#include <cstdio>
#include <string_view>

#include "cli/headless_command.h"
#include "session/jobs_setting.h"

namespace vz::cli {

const char* const kHelpText = R"(Usage: vodezeva [OPTION]...
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
  --no-cache      with --headless or --check: fetch every page and picture in
                  full this once, and keep no response in the cache file
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
  FILE.options, one key=value a line. Responses are kept across runs in the
  program folder's vodeZeva.cache (SQLite), so that unchanged pages are not
  fetched again (--check only reads it); deleting that file clears it.

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

int usage(const std::string& problem)
{
    std::fprintf(stderr, "vodezeva: %s\nTry 'vodezeva --help' for more information.\n", problem.c_str());
    return kExitUsage;
}

CommandLine parseCommandLine(int argc, char** argv)
{
    CommandLine line;
    const auto fail = [&line](std::string problem) {
        line.action = CommandLine::Action::Usage;
        line.problem = std::move(problem);
        return line;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            line.action = CommandLine::Action::Help;
            return line;
        }
        if (arg == "--version") {
            line.action = CommandLine::Action::Version;
            return line;
        }
        if (arg == "--headless") {
            line.headless = true;
        } else if (arg == "--check") {
            line.check = true;
        } else if (arg == "--json") {
            line.json = true;
        } else if (line.check && !arg.starts_with("-")) {
            line.sites.emplace_back(arg);
        } else if (arg == "--epub") {
            line.epub = true;
        } else if (arg == "--vertical") {
            line.vertical = true;
        } else if (arg == "--no-cache") {
            line.noCache = true;
        } else if (arg == "--quiet" || arg == "-q") {
            line.quiet = true;
        } else if (arg == "--ini") {
            if (i + 1 >= argc) {
                return fail("--ini needs a file");
            }
            line.ini = argv[++i];
        } else if (arg == "--jobs") {
            line.jobs = session::parseJobs(i + 1 < argc ? argv[++i] : "");
            if (!line.jobs) {
                return fail("--jobs needs a number from 1 to 64");
            }
        } else {
            return fail("unknown option " + std::string(arg));
        }
    }
    if (line.quiet && !line.headless) {
        return fail("--quiet goes with --headless");
    }
    if ((line.epub || line.vertical) && !line.headless) {
        // The windows take the book from the site list's options, set in the configuration window.
        return fail(line.epub ? "--epub goes with --headless" : "--vertical goes with --headless");
    }
    if (line.noCache && !line.headless && !line.check) {
        return fail("--no-cache goes with --headless or --check");
    }
    if (line.check && line.headless) {
        return fail("--check and --headless go apart");
    }
    if (line.json && !line.check) {
        return fail("--json goes with --check");
    }
    return line;
}

} // namespace vz::cli
