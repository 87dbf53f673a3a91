#pragma once

#include <functional>

namespace vz::session {

/// The thread the windows live on, as seen from a run that goes on elsewhere. Windows may only
/// be touched from their own thread, so a run hands every call to them over through this.
class WindowThread
{
public:
    virtual ~WindowThread() = default;
    /// Whether the caller is on the window thread.
    virtual bool isCurrent() const = 0;
    /// Runs `call` on the window thread later, in the order posted; returns at once.
    virtual void post(std::function<void()> call) = 0;
    /// Runs `call` on the window thread and waits for it to return. Never called from the window
    /// thread itself.
    virtual void callAndWait(std::function<void()> call) = 0;
};

} // namespace vz::session
