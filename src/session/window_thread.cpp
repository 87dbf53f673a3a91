#include "window_thread.h"

namespace vz::session {

void WindowThread::post(std::function<void()> call)
{
    deliver([shared = m_shared, call = std::move(call)] {
        {
            const std::lock_guard lock(shared->mutex);
            if (shared->closed) {
                return;
            }
        }
        call();
    });
}

bool WindowThread::callAndWait(std::function<void()> call)
{
    const auto answered = std::make_shared<bool>(false);
    {
        const std::lock_guard lock(m_shared->mutex);
        if (m_shared->closed) {
            return false;
        }
    }
    deliver([shared = m_shared, answered, call = std::move(call)] {
        {
            const std::lock_guard lock(shared->mutex);
            if (shared->closed) {
                return; // the caller was released and went on: what it asked for is gone
            }
        }
        call();
        const std::lock_guard lock(shared->mutex);
        *answered = true;
        shared->answered.notify_all();
    });
    std::unique_lock lock(m_shared->mutex);
    m_shared->answered.wait(lock, [&] { return *answered || m_shared->closed; });
    return *answered;
}

void WindowThread::close()
{
    const std::lock_guard lock(m_shared->mutex);
    m_shared->closed = true;
    m_shared->answered.notify_all();
}

} // namespace vz::session
