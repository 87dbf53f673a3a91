#pragma once

#include <optional>
#include <string>

#include "cli/headless_front_end.h"
#include "platform/clock.h"
#include "platform/fetcher.h"

namespace vz::cli {

struct HeadlessOptions
{
    std::u16string programFolder;
    /// The site list file picked on the command line; today's entry of the weekday table without it.
    std::optional<std::u16string> iniFile;
    /// Pages and pictures fetched at once (--jobs); 1 fetches one at a time.
    int jobs = 8;
};

/// Start-up, Init, exactly one gathering run whatever AutoStart says, shutdown. Returns the exit
/// status: 0 when a run went through, 1 when none could be made (the reason goes to the front end),
/// 2 when the site list file picked on the command line does not exist.
int runHeadless(const HeadlessOptions& options, HeadlessFrontEnd& frontEnd, const platform::Clock& clock,
                platform::Fetcher& fetcher);

} // namespace vz::cli
