#pragma once

#include "platform/fetcher.h"

namespace vz::cli {

/// While it lives, SIGINT and SIGTERM ask `fetcher` to stop instead of killing the program on the
/// spot: the transfers under way are abandoned at once, the run closes the page it was writing
/// and ends. A second such signal ends the program at once, as usual.
class StopOnSignal
{
public:
    explicit StopOnSignal(platform::Fetcher& fetcher);
    ~StopOnSignal();
    StopOnSignal(const StopOnSignal&) = delete;
    StopOnSignal& operator=(const StopOnSignal&) = delete;
};

/// The signal that asked the run to stop, or 0.
int interruptSignal();

/// Forgets a signal that was caught.
void clearInterrupt();

/// What a program stopped by `signal` exits with: 128 and the signal's number (130 for SIGINT,
/// 143 for SIGTERM), as shells report it.
int interruptedExitStatus(int signal);

/// From now on SIGPIPE and SIGXFSZ end nothing: a closed standard error or the file size limit make
/// the write fail (EPIPE, EFBIG), which is reported, and the run goes on.
void ignoreWriteSignals();

} // namespace vz::cli
