#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "session/window_thread.h"

namespace vz::test {

/// A window thread without windows: the thread that made it is the window thread, and calls
/// from elsewhere wait in a queue until that thread pumps them.
class QueuedWindowThread final : public session::WindowThread
{
public:
    bool isCurrent() const override { return std::this_thread::get_id() == m_owner; }

    /// Calls handed over and not yet pumped.
    std::size_t queued()
    {
        const std::lock_guard lock(m_mutex);
        return m_queue.size();
    }

    /// Runs queued calls on this thread until `until` holds or `limit` passed; false on time-out.
    bool pumpUntil(const std::function<bool()>& until, std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!until()) {
            std::unique_lock lock(m_mutex);
            if (!m_changed.wait_until(lock, deadline, [&] { return !m_queue.empty(); })) {
                return until();
            }
            std::function<void()> next = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            next();
        }
        return true;
    }

protected:
    void deliver(std::function<void()> call) override
    {
        const std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(call));
        m_changed.notify_all();
    }

private:
    std::thread::id m_owner = std::this_thread::get_id();
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_queue;
};

} // namespace vz::test
