#pragma once

#include <optional>
#include <string>

#include "session/run_driver.h"
#include "gather/startup.h"
#include "platform/clock.h"
#include "platform/fetcher.h"
#include "platform/file_lock.h"
#include "session/front_end_parts.h"
#include "run/reporter.h"
#include "run/run_state.h"

namespace vz::session {

/// The pieces of a run put together once, for the headless command and the windows alike: the
/// run state, the reporter, the run's values, the page fetcher and the run driver.
class Session
{
public:
    /// `state` is the program's one run state, which the editor windows share.
    /// Every page and picture of a run goes through `fetcher`, as many at once as values().jobs says.
    Session(run::RunState& state, const platform::Clock& clock, platform::Fetcher& fetcher, FrontEndParts parts);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    /// Start-up: today's site list file from the weekday table, or `iniFile` when one was picked
    /// by hand; then the first log line and Init. The data folder stays taken for the run that
    /// follows at once (`runFollows`, or AutoStart), else it is free again for other programs.
    gather::StartUpResult startUp(const std::u16string& programFolder, const std::optional<std::u16string>& iniFile,
                                  bool runFollows = false);

    /// The Read menu once a file was chosen: loads it for the run and names it in the caption.
    gather::InitResult readIni(const std::u16string& path);

    /// Whether the run's table holds a site that is switched on.
    bool anySite() const;

    run::RunState& state() { return m_state; }
    const run::RunState& state() const { return m_state; }
    gather::RunValues& values() { return m_values; }
    run::Reporter& reporter() { return m_reporter; }
    RunDriver& driver() { return m_driver; }

private:
    run::RunState& m_state;
    run::Reporter m_reporter;
    gather::RunValues m_values;
    gather::Services m_services;
    gather::RunContext m_context;
    RunDriver m_driver;
};

/// Takes the program folder for one desktop program: the lock file "vodeZeva-desktop.lock" in it,
/// held in `lock` while the program runs. Then clears the temporary files that a save killed
/// half-way left there. Returns the message to show when another desktop program holds it.
std::optional<std::u16string> takeProgramFolder(const std::u16string& programFolder, platform::FileLock& lock);

/// What to show a person after a run: the contents page of the data folder when there is one,
/// else the data folder itself (the program folder while no data folder is known).
std::u16string contentsPageOrFolder(const run::RunState& state);

} // namespace vz::session
