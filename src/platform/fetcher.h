#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace vz::platform {

class ResponseCache;

/// Status of a transfer that ended because a stop was asked for (libcurl's number for a transfer
/// ended on purpose).
inline constexpr int kTransferStopped = 42;
/// Status of a transfer that ran out of time (libcurl's number).
inline constexpr int kTransferTimedOut = 28;

/// How a transfer went.
struct DownloadResult
{
    /// 0 when the resource's bytes arrived; anything else is a failure.
    int status = 0;
    /// The Content-Type header of the response, when there was one ("text/html; charset=EUC-JP").
    std::string contentType;
    /// What went wrong, in words, when status is not 0.
    std::string description;
};

/// A finished transfer: how it went and, on success, the resource's bytes.
struct Fetched
{
    DownloadResult result;
    std::string body;
};

/// Fetches addresses, several at once where the implementation can, and hands the bodies over in
/// memory, so nothing is written to the disk for a page that is only read.
class Fetcher
{
public:
    using Ticket = std::uint64_t;
    /// Where a transfer stands in the order its caller will use the transfers: of those waiting
    /// for a place, the lowest goes first, and of equal ones the one asked for first.
    using Order = std::uint64_t;

    virtual ~Fetcher() = default;
    /// Queues `url` (UTF-8); its transfer starts when the limits allow, by `order`.
    virtual Ticket start(const std::string& url, Order order) = 0;
    /// Lets transfers go on for at most `wait` and returns the tickets that ended since the last
    /// call, in the order they ended.
    virtual std::vector<Ticket> poll(std::chrono::milliseconds wait) = 0;
    /// Lets the transfers go on for a moment without waiting, between two pieces of the caller's
    /// own work: a place freed meanwhile is taken at once, and what ended is told by the next
    /// poll(). Nothing for a fetcher whose transfers only go on inside poll() and take().
    virtual void drive() {}
    /// Whether the ticket's transfer has ended.
    virtual bool done(Ticket ticket) const = 0;
    /// Waits for the ticket's transfer to end, hands over its result and forgets the ticket.
    virtual Fetched take(Ticket ticket) = 0;
    /// Abandons the ticket: a transfer going on stops and its bytes are dropped.
    virtual void cancel(Ticket ticket) = 0;
    /// Moves a ticket that has not started ahead of every other that waits.
    virtual void hurry(Ticket ticket) = 0;
    /// Transfers at once, in all and per server, from now on; both at least 1.
    virtual void setLimits(int transfers, int perServer) = 0;
    /// Responses kept across runs, asked for again with their validators, from now on; null for
    /// none. Nothing for a fetcher that does not speak HTTP itself.
    virtual void useCache(ResponseCache* /*cache*/) {}

    /// Ends every transfer under way or waiting with kTransferStopped and wakes a poll() or take()
    /// that waits; every transfer started later ends so at once, until resume(). Safe from any
    /// thread and from a signal handler.
    virtual void stop() = 0;
    /// Whether a stop was asked for since the last resume().
    virtual bool stopped() const = 0;
    /// Transfers go out again, for the next run.
    virtual void resume() = 0;
};

} // namespace vz::platform
