#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "gather/gathering_run.h"

namespace vz::session {

/// Where the run stands. Stopping lasts from the stop request until the run has unwound; a
/// start asked for meanwhile starts nothing, since two runs would write the same pages.
enum class RunPhase { Idle, Running, Stopping };

/// Starting and stopping, shared by the main window and the headless command.
///
/// A run may go on on another thread than the one that asks it to stop: requestStop() marks the
/// request and stops the fetcher, which abandons every transfer and wakes the run wherever it
/// waits; the run's own thread then sees the fetcher stopped and clears Running and AutoStart.
/// A signal stops the fetcher directly (see cli::StopOnSignal).
class RunDriver
{
public:
    explicit RunDriver(gather::RunContext& context) : m_context(context) {}

    /// One run without Init (the caller prepared it), whatever AutoStart says.
    bool runOnce();

    /// The first half of a start from the button: caption, Init, Running set. False (and idle
    /// again) when no run could be prepared, or when a run is not idle.
    bool prepareStart();
    /// The first half of the automatic run: caption and Running set. False when not idle.
    bool prepareAutomatic();
    /// The second half: the prepared run itself, to its end; the driver is idle afterwards.
    /// `procedure` names where an error that ends the run is reported.
    bool gatherPrepared(const std::u16string& procedure);

    /// Asks the run going on to stop at once; safe from any thread. False when no run is going on
    /// (or it is already stopping).
    bool requestStop();

    RunPhase phase() const { return m_phase.load(); }

private:
    bool run(const std::u16string& procedure);

    gather::RunContext& m_context;
    std::atomic<RunPhase> m_phase{RunPhase::Idle};
    /// Orders a stop request against the end of the run.
    std::mutex m_stopMutex;
};

} // namespace vz::session
