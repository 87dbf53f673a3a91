#pragma once

#include <optional>
#include <string>

#include "cli/headless_front_end.h"
#include "platform/clock.h"
#include "platform/fetcher.h"
#include "session/jobs_setting.h"

namespace vz::cli {

struct HeadlessOptions
{
    std::u16string programFolder;
    /// The site list file picked on the command line; today's entry of the weekday table without it.
    std::optional<std::u16string> iniFile;
    /// Pages and pictures fetched at once (--jobs); 1 fetches one at a time.
    int jobs = session::kDefaultJobs;
    /// Also write the day's book (--epub), whatever the site list's options say; `vertical`
    /// (--vertical) makes it vertical.
    bool epub = false;
    bool vertical = false;
    /// --no-cache: responses are neither asked for with validators nor kept.
    bool noCache = false;
};

/// Exit statuses of the headless command.
inline constexpr int kExitRan = 0;
inline constexpr int kExitNoRun = 1;
inline constexpr int kExitUsage = 2;
/// The run went through, but no article was gathered and page downloads failed: the network or
/// the sites were out of reach, which a scheduler should hear of.
inline constexpr int kExitNothingGathered = 3;
/// Another program holds the data folder (a run of the headless command or of the windows), or,
/// for the windows, the program folder; nothing was done.
inline constexpr int kExitBusy = 4;
/// The run went on to its end, but a page, the contents page, a picture or the log could not be
/// written (a full disk, the file size limit); the reports name each file.
inline constexpr int kExitUnwritten = 5;

/// Start-up, Init, exactly one gathering run whatever AutoStart says, shutdown. Returns the exit
/// status: kExitRan when a run gathered something or had nothing to fetch, kExitNoRun when none
/// could be made (the reason goes to the front end), kExitUsage when the site list file picked on
/// the command line does not exist, kExitNothingGathered, kExitBusy, kExitUnwritten, or 128 and the
/// signal's number when a signal stopped the run (see StopOnSignal).
int runHeadless(const HeadlessOptions& options, HeadlessFrontEnd& frontEnd, const platform::Clock& clock,
                platform::Fetcher& fetcher);

} // namespace vz::cli
