#include "run_driver.h"

#include "gather/output_file.h"
#include "gather/startup.h"
#include "run/string_helpers.h"

using vz::gather::kPageNotWritten;
using vz::gather::kStartCaption;
using vz::gather::kStopCaption;

namespace vz::session {

bool RunDriver::run(const std::u16string& procedure)
{
    try {
        gather::gatherSites(m_context);
        return true;
    } catch (const gather::OutputError& e) {
        m_context.state.Running = false;
        m_context.services.frontEnd.setStopCaption(kStartCaption);
        m_context.services.reporter.writeFailed(kPageNotWritten, e.path(), run::because(e.cause()), procedure);
        return false;
    }
}

bool RunDriver::prepareAutomatic()
{
    RunPhase idle = RunPhase::Idle;
    if (!m_phase.compare_exchange_strong(idle, RunPhase::Running)) {
        return false;
    }
    m_context.services.frontEnd.setStopCaption(kStopCaption);
    m_context.state.Running = true;
    return true;
}

bool RunDriver::prepareStart()
{
    RunPhase idle = RunPhase::Idle;
    if (!m_phase.compare_exchange_strong(idle, RunPhase::Running)) {
        return false;
    }
    run::RunState& state = m_context.state;
    m_context.services.frontEnd.setStopCaption(kStopCaption);
    if (gather::Init(state, m_context.values, m_context.services) != gather::InitResult::Ready) {
        // Nothing to gather: a run over a failed load would only write empty pages. A stop asked for
        // while Init ran is spent with it, not left for the next run.
        m_context.services.frontEnd.setStopCaption(kStartCaption);
        const std::lock_guard lock(m_stopMutex);
        m_context.fetcher.resume();
        m_phase = RunPhase::Idle;
        return false;
    }
    state.Running = true;
    return true;
}

bool RunDriver::gatherPrepared(const std::u16string& procedure)
{
    struct BackToIdle
    {
        RunDriver& driver;
        ~BackToIdle()
        {
            driver.m_context.values.dataFolderLock.release(); // free for other programs
            // The run is over: a stop asked for it is spent. Under the lock, so that a stop asked
            // for just now is either spent here or finds the driver idle, never left for the next run.
            const std::lock_guard lock(driver.m_stopMutex);
            driver.m_context.fetcher.resume();
            driver.m_phase = RunPhase::Idle;
        }
    } backToIdle{*this};
    const bool ran = run(procedure);
    // A stop clicked after the run's last check still says that somebody stopped it, so an
    // automatic run does not close the program then.
    if (m_phase.load() == RunPhase::Stopping) {
        m_context.state.AutoStart = false;
    }
    return ran;
}

bool RunDriver::requestStop()
{
    const std::lock_guard lock(m_stopMutex);
    RunPhase running = RunPhase::Running;
    if (!m_phase.compare_exchange_strong(running, RunPhase::Stopping)) {
        return false;
    }
    // Wakes the run wherever it waits for a transfer; it stops at once from there.
    m_context.fetcher.stop();
    return true;
}

bool RunDriver::runOnce()
{
    if (!prepareAutomatic()) {
        return false;
    }
    return gatherPrepared(u"FormLoad");
}

} // namespace vz::session
