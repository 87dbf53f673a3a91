#pragma once

#include <functional>
#include <thread>

#include "gather/run_driver.h"
#include "session/window_thread.h"

namespace vz::session {

/// Runs the gathering on a thread of its own, so the windows answer at every moment of a run,
/// also while a download hangs until its time-out. Used from the window thread only.
///
/// Init runs on the window thread before the run starts; while the run goes on, it alone touches
/// the run state, and a stop is only marked here and taken by the run at its next yield. The
/// control counts as idle only once the run's thread has ended, so a start never overlaps a run
/// that is still unwinding.
class RunControl
{
public:
    /// Told on the window thread once a run has ended: whether it went through.
    using Ended = std::function<void(bool ran)>;

    RunControl(gather::RunDriver& driver, WindowThread& window) : m_driver(driver), m_window(window) {}
    /// Waits for a run that is still going on, after asking it to stop.
    ~RunControl();
    RunControl(const RunControl&) = delete;
    RunControl& operator=(const RunControl&) = delete;

    /// The start button: Init here, then the run on its thread. False when a run is not over yet
    /// or none could be prepared.
    bool start(Ended ended);
    /// The automatic run after start-up. False when a run is not over yet.
    bool startAutomatic(Ended ended);
    /// The stop button: the run ends after its current article. False when no run is going on.
    bool stop();

    /// Idle only when no run thread is left.
    gather::RunPhase phase() const;

    /// For the run's own yields: takes a stop that was asked for.
    void runYield() { m_driver.applyStopRequest(); }

private:
    void launch(const char16_t* procedure, Ended ended);

    gather::RunDriver& m_driver;
    WindowThread& m_window;
    std::thread m_thread;
};

} // namespace vz::session
