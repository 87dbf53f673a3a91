#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace vz::session {

/// The thread the windows live on, as seen from a run that goes on elsewhere. Windows may only
/// be touched from their own thread, so a run hands every call to them over through this.
///
/// Once closed, the window thread answers nothing more: calls posted before and after are dropped
/// and a callAndWait() waiting is released unanswered. So a thread that waits for the windows
/// (a run asking a question) can always be joined, whatever it was waiting for.
class WindowThread
{
public:
    virtual ~WindowThread() = default;
    /// Whether the caller is on the window thread.
    virtual bool isCurrent() const = 0;

    /// Runs `call` on the window thread later, in the order posted; returns at once.
    void post(std::function<void()> call);
    /// Runs `call` on the window thread and waits for it to return: true then, false (and `call`
    /// never runs) once the window thread is closed. Never called from the window thread itself.
    bool callAndWait(std::function<void()> call);
    /// On the window thread, as it stops answering for good (the program closes).
    void close();

protected:
    /// Hands `call` to the window thread, which runs it later in the order handed over.
    virtual void deliver(std::function<void()> call) = 0;

private:
    struct Shared
    {
        std::mutex mutex;
        std::condition_variable answered;
        bool closed = false;
    };
    /// Shared with every call handed over, which may outlive this object in a queue.
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
};

} // namespace vz::session
