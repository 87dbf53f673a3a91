#include "interrupt.h"

#include <atomic>
#include <csignal>

namespace vz::cli {

namespace {

std::atomic<int> g_signal{0};
std::atomic<platform::Fetcher*> g_fetcher{nullptr};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler may only touch lock-free values");
static_assert(std::atomic<platform::Fetcher*>::is_always_lock_free,
              "the signal handler may only touch lock-free values");

extern "C" void onInterrupt(int signal)
{
    g_signal.store(signal);
    if (platform::Fetcher* fetcher = g_fetcher.load()) {
        fetcher->stop(); // only a store and a write: safe here
    }
}

} // namespace

StopOnSignal::StopOnSignal(platform::Fetcher& fetcher)
{
    g_fetcher.store(&fetcher);
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

StopOnSignal::~StopOnSignal()
{
    g_fetcher.store(nullptr);
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

void ignoreWriteSignals()
{
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace vz::cli
