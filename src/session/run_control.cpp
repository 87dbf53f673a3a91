#include "run_control.h"

#include <memory>
#include <string>

namespace vz::session {

RunControl::~RunControl()
{
    if (m_thread.joinable()) {
        m_driver.requestStop();
        m_window.close();
        m_thread.join();
    }
}

RunPhase RunControl::phase() const
{
    const RunPhase phase = m_driver.phase();
    if (phase == RunPhase::Idle && m_thread.joinable()) {
        // The run is over but its end has not reached this thread yet.
        return RunPhase::Stopping;
    }
    return phase;
}

bool RunControl::start(Ended ended)
{
    if (m_thread.joinable() || !m_driver.prepareStart()) {
        return false;
    }
    launch(u"cmdStop", std::move(ended));
    return true;
}

bool RunControl::startAutomatic(Ended ended)
{
    if (m_thread.joinable() || !m_driver.prepareAutomatic()) {
        return false;
    }
    launch(u"FormLoad", std::move(ended));
    return true;
}

bool RunControl::stop()
{
    return m_driver.requestStop();
}

void RunControl::launch(const char16_t* procedure, Ended ended)
{
    m_thread = std::thread([this, procedure, ended = std::move(ended)]() mutable {
        const bool ran = m_driver.gatherPrepared(procedure);
        // The thread is joined on the window thread, where the run's end is told; by then every
        // call the run posted to the windows has been delivered, since posts keep their order.
        m_window.post([this, ran, ended = std::move(ended)] {
            if (m_thread.joinable()) {
                m_thread.join();
            }
            if (ended) {
                ended(ran);
            }
        });
    });
}

} // namespace vz::session
