#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gather/startup.h"
#include "platform/fetcher.h"

namespace vz::gather {

/// The start/stop button's captions.
inline constexpr const char16_t* kStartCaption = u"開始";
inline constexpr const char16_t* kStopCaption = u"終了";
/// Shown when a run that was not started automatically ends.
inline constexpr const char16_t* kFinishedMessage = u"ダウンロードが終了しました。";

/// How one site went, for progress reports.
struct SiteOutcome
{
    std::u16string IndexName;
    int gathered = 0;
    int failed = 0;
};

/// Everything a run touches. The main window (or the headless command) owns the pieces.
struct RunContext
{
    run::RunState& state;
    RunValues& values;
    Services& services;
    /// Every page and picture goes through it, within RunValues::jobs.
    platform::Fetcher& fetcher;
};

/// Walks the run's site table once: contents page, then per site the index page, the links, the
/// site page and its articles. Checks Running after every link and every site. Ends with Running
/// cleared and the start caption; shows the finished message unless AutoStart is on.
/// A site whose page cannot be written is reported and skipped; so is a contents page.
std::vector<SiteOutcome> gatherSites(RunContext& context);

/// Starting and stopping, shared by the main window and the headless command.
class RunDriver
{
public:
    explicit RunDriver(RunContext& context) : m_context(context) {}

    /// The automatic run after start-up. Returns true when the program should now close, that is
    /// when AutoStart is still on (nobody pressed stop).
    bool automaticRun();

    /// The start/stop button: asks a run that is going on to stop (it ends after the current
    /// article), or prepares and starts one. Returns false when a run could not be started.
    bool pressStartStop();

    /// One run without Init (the caller prepared it), whatever AutoStart says.
    bool runOnce();

    const std::vector<SiteOutcome>& lastOutcome() const { return m_outcome; }

private:
    bool run(const std::u16string& procedure);

    RunContext& m_context;
    std::vector<SiteOutcome> m_outcome;
};

/// The address an article link is fetched from: an absolute link ("http:" or "https:") as it
/// stands, any other joined onto the site's base address.
std::u16string articleAddress(const std::u16string& serverAddressHeader, const std::u16string& link);

} // namespace vz::gather
