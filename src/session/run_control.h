#pragma once

#include <functional>
#include <thread>

#include "session/run_driver.h"
#include "session/window_thread.h"

namespace vz::session {

/// Runs the gathering on a thread of its own, so the windows answer at every moment of a run,
/// also while a download hangs until its time-out. Used from the window thread only.
///
/// Init runs on the window thread before the run starts; while the run goes on, it alone touches
/// the run state, and a stop reaches it through the fetcher, which wakes it wherever it waits. The
/// control counts as idle only once the run's thread has ended, so a start never overlaps a run
/// that is still unwinding.
class RunControl
{
public:
    /// Told on the window thread once a run has ended: whether it went through.
    using Ended = std::function<void(bool ran)>;

    RunControl(RunDriver& driver, WindowThread& window) : m_driver(driver), m_window(window) {}
    /// Asks a run that is still going on to stop and waits for it. The window thread is closed
    /// first, so a run waiting for a message box is released rather than waited for in turn.
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
    RunPhase phase() const;

private:
    void launch(const char16_t* procedure, Ended ended);

    RunDriver& m_driver;
    WindowThread& m_window;
    std::thread m_thread;
};

} // namespace vz::session
