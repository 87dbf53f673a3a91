#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/headless_front_end.h"
#include "platform/clock.h"
#include "platform/fetcher.h"
#include "session/jobs_setting.h"

namespace vz::cli {

/// Exit status of --check when a checked site gives no article with its markers found.
inline constexpr int kExitCheckFailed = 6;

struct CheckOptions
{
    std::u16string programFolder;
    /// The site list file picked on the command line; today's entry of the weekday table without it.
    std::optional<std::u16string> iniFile;
    int jobs = session::kDefaultJobs;
    /// One JSON document instead of the text reports.
    bool json = false;
    /// The sites to try, each a row number (the configuration window's, from 1) or a name; every
    /// switched-on site when empty.
    std::vector<std::u16string> sites;
};

/// Tries the sites as a run would gather them, writing nothing anywhere (no data folder, no log,
/// no weekday table), and prints a report for each to `out`; problems with the command itself go
/// to `messages`. Returns 0 when every site tried gives an article with its markers found,
/// kExitCheckFailed when one does not, kExitNoRun when there is nothing to try (no site list, a
/// bad settings line, no switched-on site), kExitUsage for a missing --ini file or a SITE the list
/// does not hold, or 128 and the signal's number when a signal stopped it.
int runCheck(const CheckOptions& options, std::FILE* out, HeadlessFrontEnd& messages, const platform::Clock& clock,
             platform::Fetcher& fetcher);

} // namespace vz::cli
