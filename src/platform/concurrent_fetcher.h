#pragma once

#include <atomic>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "platform/curl_handles.h"
#include "platform/fetcher.h"
#include "platform/response_headers.h"

namespace vz::platform {

struct ConcurrentSettings
{
    /// Transfers going on at once, in all.
    int maxTransfers = 8;
    /// Transfers going on at once to one server (scheme, host and port).
    int maxPerHost = 4;
    /// Timeouts and the body size cap, per transfer.
    CurlSettings limits;
    /// New servers after which the transfers move on to a new pool of kept-open connections, so
    /// that the work libcurl does for its pool after every transfer stays small in a run over
    /// thousands of sites.
    int serversPerPool = 64;
    /// Transient failures are tried again, after a wait a stop cuts short.
    RetrySettings retries = {};
};

/// Many transfers at once over one libcurl multi handle, driven from the caller's thread in
/// poll() and take(): connections are kept open and reused between transfers (HTTP/2 streams
/// share one where the server offers it). Waiting transfers start by their order within the
/// limits, a later one first when the servers of those before it have no room; while more servers
/// have transfers than the places allow each at its full limit, each server first gets its share
/// of the places. A freed place is taken, and its request sent, within the same poll(). Each
/// transfer follows the rules of makeEasyHandle() (http, https and file addresses, redirects
/// between http and https only, gzip and deflate decoded, a status of 400 or more a failure),
/// within the timeouts and size cap of the settings.
///
/// Status: 0 on success; the HTTP status for a response of 400 or more; otherwise libcurl's
/// error number (28 for a timeout, 42 when stopped, 47 for too many redirects, 63 for an
/// over-size body). The description says why in Japanese.
///
/// With a cache (useCache()), an address with a kept response is asked for with its validators,
/// and a 304 hands over the kept body and type, as a full answer would; a 200 with validators is
/// kept. A transfer that failed for a transient reason (see isTransient()) is queued again after
/// the retry wait, at most RetrySettings::extraTries times; meanwhile it has not ended. A time-out
/// goes again only when it ran out while connecting: a server that took the connection and then
/// answered too slowly would cost the whole limit again.
///
/// Not for use from two threads at once, except stop(), which any thread or a signal handler may
/// call: it only marks the stop and wakes the owner's wait through a pipe of its own.
class ConcurrentFetcher final : public Fetcher
{
public:
    /// Throws std::runtime_error when libcurl cannot be set up.
    explicit ConcurrentFetcher(ConcurrentSettings settings = {});
    ~ConcurrentFetcher() override;
    ConcurrentFetcher(const ConcurrentFetcher&) = delete;
    ConcurrentFetcher& operator=(const ConcurrentFetcher&) = delete;

    Ticket start(const std::string& url, Order order) override;
    std::vector<Ticket> poll(std::chrono::milliseconds wait) override;
    void drive() override;
    bool done(Ticket ticket) const override;
    Fetched take(Ticket ticket) override;
    void cancel(Ticket ticket) override;
    void hurry(Ticket ticket) override;
    void setLimits(int transfers, int perServer) override;
    void useCache(ResponseCache* cache) override { m_cache = cache; }
    void stop() override;
    bool stopped() const override { return m_stopped.load(); }
    void resume() override;

    const ConcurrentSettings& settings() const { return m_settings; }

    /// What one transfer holds while it runs; public only for libcurl's callbacks.
    struct Transfer;
    /// Transfers of one server (scheme, host and port), under way and waiting.
    struct Server
    {
        int running = 0;
        int waiting = 0;
    };

private:
    /// Place in the waiting list: hurried tickets first (the latest hurried first), then by
    /// order, then by ticket.
    using QueueKey = std::tuple<bool, Order, Ticket>;
    using Servers = std::unordered_map<std::string, Server>;

    /// Puts a transfer in the waiting list, by its order.
    void enqueue(Transfer& transfer);
    /// The validators of a kept response go with the request.
    void prepareRequest(Transfer& transfer);
    /// A 304 takes the kept response; a 200 with validators is kept. False when the transfer
    /// must go again without validators.
    bool revalidate(Transfer& transfer);
    /// Whether a failed transfer waits to be tried again, rather than ending.
    bool retryLater(Transfer& transfer, bool unconditionally);
    /// Queues the transfers whose wait is over.
    void requeueDue();
    /// `wait`, shortened to the next try's time.
    int untilNextTry(std::chrono::milliseconds wait) const;
    /// Starts waiting transfers while there is room; returns how many.
    int launchQueued();
    /// Starts waiting transfers by their order while their servers have fewer than `perServer`
    /// under way; returns how many.
    int launchUpTo(int perServer);
    /// An easy handle for the next transfer, reused when one is idle; null when none can be made.
    EasyHandle handleForNext();
    /// Sends what launchQueued() added at once, rather than at the next poll().
    void launchAndSend();
    void perform();
    void collectFinished();
    void release(Transfer& transfer);
    /// Stops a transfer under way or takes a waiting one out of the list.
    void forget(Transfer& transfer);
    void abandonAll();
    /// Ends a transfer that never started, with `result`.
    void endUnstarted(Transfer& transfer, DownloadResult result);
    /// Changes a server's counts, keeping m_serversWithRoom right; a server with nothing under
    /// way or waiting is forgotten, so a run over thousands of sites keeps only the few busy ones.
    void count(Servers::value_type*& server, int waiting, int running);
    bool hasRoom(const Server& server) const { return server.waiting > 0 && server.running < m_settings.maxPerHost; }

    /// Moves the transfers from now on to a new pool of connections.
    void newPool();
    /// Gives back the pools no easy handle uses any more, closing their connections.
    void dropOldPools();
    /// The pool new transfers use; null (the multi handle's own) when none could be made.
    Curl_share* currentPool() const { return m_pools.empty() ? nullptr : m_pools.back().get(); }

    ConcurrentSettings m_settings;
    // The multi handle outlives every easy handle, which must leave it before it goes; so do the
    // pools of connections.
    MultiHandle m_multi;
    /// Pools of kept-open connections, the one new transfers use last. libcurl walks a pool's
    /// servers after every transfer, and keeps one for a server it closed the connections of
    /// when the pool was full: a run over thousands of sites moves on to a new pool every so many
    /// servers, so that walk stays short.
    std::vector<ShareHandle> m_pools;
    int m_serversInPool = 0;
    std::vector<EasyHandle> m_idleHandles; ///< kept for the next transfers
    std::map<Ticket, std::unique_ptr<Transfer>> m_transfers;
    std::map<QueueKey, Transfer*> m_queue; ///< asked for, not started
    Ticket m_hurried = 0;                  ///< hurry() calls so far
    Servers m_servers;                     ///< with transfers under way or waiting
    int m_serversWithRoom = 0;             ///< servers with a waiting transfer and room for it
    int m_runningTotal = 0;
    std::vector<Ticket> m_ended; ///< ended since the last poll()
    /// Some ended in drive() since the last poll(), which then hands them over without a wait.
    bool m_endedWhileDriven = false;
    Ticket m_next = 1;
    std::atomic<bool> m_stopped{false};
    ResponseCache* m_cache = nullptr;
    /// Transfers waiting to be tried again, by when.
    std::multimap<std::chrono::steady_clock::time_point, Transfer*> m_retrying;
    /// stop() writes a byte here to wake a wait for the transfers; read end first.
    int m_wake[2] = {-1, -1};
};

} // namespace vz::platform
