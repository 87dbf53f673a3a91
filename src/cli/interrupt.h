#pragma once

#include "platform/event_yield.h"

namespace vz::cli {

/// From now on SIGINT and SIGTERM ask the run to stop instead of killing the program on the
/// spot, which would leave the temporary download behind. A second such signal ends the program
/// at once, as usual.
void installInterruptHandlers();

/// The signal that asked the run to stop, or 0.
int interruptSignal();

/// Forgets a signal that was caught.
void clearInterrupt();

/// What a program stopped by `signal` exits with: 128 and the signal's number (130 for SIGINT,
/// 143 for SIGTERM), as shells report it.
int interruptedExitStatus(int signal);

/// Thrown where the run yields once a signal asked it to stop. Not a std::exception, so that no
/// handler on the way takes it for a failure of its own.
struct Interrupted
{
    int signal = 0;
};

/// Lets the front end's events run, then throws Interrupted when a signal asked the run to stop.
/// The run yields at its start and after every page, so it ends there without another write.
class InterruptibleYield final : public platform::EventYield
{
public:
    explicit InterruptibleYield(platform::EventYield& inner) : m_inner(inner) {}
    void yieldEvents() override;

private:
    platform::EventYield& m_inner;
};

} // namespace vz::cli
