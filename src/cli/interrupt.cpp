#include "interrupt.h"

#include <atomic>
#include <csignal>

namespace vz::cli {

namespace {

std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler may only touch a lock-free value");

extern "C" void onInterrupt(int signal)
{
    g_signal.store(signal);
}

} // namespace

void installInterruptHandlers()
{
    struct sigaction action
    {
    };
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // Back to the default after the first: a second Ctrl-C still ends a program that hangs.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int interruptSignal()
{
    return g_signal.load();
}

void clearInterrupt()
{
    g_signal.store(0);
}

int interruptedExitStatus(int signal)
{
    return 128 + signal;
}

void InterruptibleYield::yieldEvents()
{
    m_inner.yieldEvents();
    if (const int signal = interruptSignal(); signal != 0) {
        throw Interrupted{signal};
    }
}

} // namespace vz::cli
