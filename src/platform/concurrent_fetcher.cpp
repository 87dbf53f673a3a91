// Handles as the distinct types curl_handles.h owns them by.
#define CURL_STRICTER

#include "concurrent_fetcher.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

#include <curl/curl.h>

#include "platform/error_text.h"
#include "platform/response_cache.h"

namespace vz::platform {

struct ConcurrentFetcher::Transfer
{
    Ticket ticket = 0;
    std::string url; ///< escaped, as sent
    /// While waiting or under way: its server's entry.
    Servers::value_type* server = nullptr;
    /// While waiting: its place in the waiting list.
    std::optional<QueueKey> queued;
    EasyHandle easy; ///< while under way
    bool ended = false;
    bool tooBig = false;
    std::uint64_t limit = 0;
    Fetched fetched;
    char message[CURL_ERROR_SIZE] = "";
    Order order = 0;
    /// Tries so far after the first.
    int retries = 0;
    /// While waiting to be tried again: its place in that list.
    std::optional<std::multimap<std::chrono::steady_clock::time_point, Transfer*>::iterator> retryAt;
    ResponseHeaders headers;
    /// The kept response whose validators went with the request.
    std::optional<StoredResponse> stored;
    /// The validators did not hold: the request goes without them.
    bool unconditional = false;
    /// It ran out of time after the server took the connection: trying again would only cost the
    /// whole limit once more.
    bool answeredTooSlowly = false;
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> requestHeaders{nullptr, curl_slist_free_all};
};

namespace {

// Scheme, host and port: the unit the per-server limit counts, read as libcurl reads an address
// (a host name in any case, a missing port the scheme's own), without asking libcurl to take the
// address apart once more for every transfer. Empty when there is no scheme; libcurl then fails the
// transfer with its own words.
std::string serverOf(std::string_view url)
{
    const auto lowered = [](std::string_view text) {
        std::string out(text);
        for (char& c : out) {
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        }
        return out;
    };
    const auto schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos) {
        return {};
    }
    const std::string scheme = lowered(url.substr(0, schemeEnd));
    std::string_view authority = url.substr(schemeEnd + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    // A port follows the last colon, unless that colon is inside an IPv6 address's brackets.
    std::string_view host = authority;
    std::string_view port;
    const auto colon = authority.rfind(':');
    const auto bracket = authority.rfind(']');
    if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
        host = authority.substr(0, colon);
        port = authority.substr(colon + 1);
    }
    if (port.empty()) {
        port = scheme == "https" ? "443" : scheme == "http" ? "80" : "";
    }
    return scheme + '|' + lowered(host) + '|' + std::string(port) + '|';
}

std::size_t takeHeader(char* data, std::size_t size, std::size_t count, void* user)
{
    if (auto* transfer = static_cast<ConcurrentFetcher::Transfer*>(user)) {
        transfer->headers.take(std::string_view(data, size * count));
    }
    return size * count;
}

std::size_t appendBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* transfer = static_cast<ConcurrentFetcher::Transfer*>(user);
    const std::size_t n = size * count;
    std::string& body = transfer->fetched.body;
    if (body.size() + n > transfer->limit) {
        transfer->tooBig = true;
        return 0; // anything short of n ends the transfer
    }
    if (body.empty()) {
        // One allocation for a body whose length is announced, instead of doubling into it.
        curl_off_t announced = -1;
        if (curl_easy_getinfo(transfer->easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) == CURLE_OK &&
            announced > 0 && static_cast<std::uint64_t>(announced) <= transfer->limit) {
            body.reserve(static_cast<std::size_t>(announced));
        }
    }
    body.append(data, n);
    return n;
}

// "60 秒", "0.3 秒"
std::string secondsText(std::chrono::milliseconds limit)
{
    const auto ms = limit.count();
    std::string text = std::to_string(ms / 1000);
    if (ms % 1000 != 0) {
        text += "." + std::to_string(ms % 1000 / 100);
    }
    return text + " 秒";
}

DownloadResult failure(int status, std::string description)
{
    return DownloadResult{status, {}, std::move(description)};
}

} // namespace

ConcurrentFetcher::ConcurrentFetcher(ConcurrentSettings settings) : m_settings(settings), m_multi(makeMultiHandle())
{
    newPool();
    if (::pipe2(m_wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        throw std::runtime_error("転送を起こすパイプを作れません: " + errnoText(errno));
    }
    curl_multi_setopt(m_multi.get(), CURLMOPT_PIPELINING, static_cast<long>(CURLPIPE_MULTIPLEX));
    setLimits(m_settings.maxTransfers, m_settings.maxPerHost);
}

void ConcurrentFetcher::setLimits(int transfers, int perServer)
{
    m_settings.maxTransfers = std::max(transfers, 1);
    m_settings.maxPerHost = std::clamp(perServer, 1, m_settings.maxTransfers);
    // Room for every open connection to stay open for the next transfer; the transfer limits
    // themselves are kept by launchQueued(), which picks the order.
    curl_multi_setopt(m_multi.get(), CURLMOPT_MAXCONNECTS, static_cast<long>(m_settings.maxTransfers * 4));
    m_serversWithRoom = static_cast<int>(
        std::count_if(m_servers.begin(), m_servers.end(), [this](const auto& entry) { return hasRoom(entry.second); }));
    launchAndSend();
}

void ConcurrentFetcher::hurry(Ticket ticket)
{
    const auto found = m_transfers.find(ticket);
    if (found == m_transfers.end() || !found->second->queued) {
        return;
    }
    Transfer& transfer = *found->second;
    m_queue.erase(*transfer.queued);
    // Hurried tickets sort before all others, the latest first.
    transfer.queued = QueueKey{false, 0, ~Ticket{0} - ++m_hurried};
    m_queue.emplace(*transfer.queued, &transfer);
    launchAndSend();
}

ConcurrentFetcher::~ConcurrentFetcher()
{
    for (auto& [ticket, transfer] : m_transfers) {
        release(*transfer);
    }
    ::close(m_wake[0]);
    ::close(m_wake[1]);
}

void ConcurrentFetcher::stop()
{
    // Only what a signal handler may do: a lock-free store and a write.
    m_stopped.store(true);
    const char byte = 1;
    const ssize_t written = ::write(m_wake[1], &byte, 1);
    (void)written; // a full pipe already wakes the wait
}

void ConcurrentFetcher::resume()
{
    char bytes[64];
    while (::read(m_wake[0], bytes, sizeof bytes) > 0) {
    }
    m_stopped.store(false);
}

void ConcurrentFetcher::count(Servers::value_type*& server, int waiting, int running)
{
    const bool had = hasRoom(server->second);
    server->second.waiting += waiting;
    server->second.running += running;
    m_serversWithRoom += static_cast<int>(hasRoom(server->second)) - static_cast<int>(had);
    if (server->second.waiting == 0 && server->second.running == 0) {
        m_servers.erase(server->first);
        server = nullptr;
    }
}

void ConcurrentFetcher::endUnstarted(Transfer& transfer, DownloadResult result)
{
    transfer.fetched = Fetched{std::move(result), {}};
    transfer.ended = true;
    m_ended.push_back(transfer.ticket);
}

Fetcher::Ticket ConcurrentFetcher::start(const std::string& url, Order order)
{
    const Ticket ticket = m_next++;
    auto owned = std::make_unique<Transfer>();
    Transfer& transfer = *owned;
    m_transfers.emplace(ticket, std::move(owned));
    transfer.ticket = ticket;
    transfer.url = escapeUrl(url);
    transfer.limit = m_settings.limits.maxBodyBytes;
    transfer.order = order;
    if (stopped()) {
        // Nothing new goes out once a stop was asked for.
        endUnstarted(transfer, failure(kTransferStopped, curlErrorText(kTransferStopped)));
        return ticket;
    }
    enqueue(transfer);
    launchAndSend();
    return ticket;
}

void ConcurrentFetcher::enqueue(Transfer& transfer)
{
    const auto [server, added] = m_servers.try_emplace(serverOf(transfer.url));
    transfer.server = &*server;
    if (added && ++m_serversInPool >= m_settings.serversPerPool) {
        newPool();
    }
    count(transfer.server, 1, 0);
    transfer.queued = QueueKey{true, transfer.order, transfer.ticket};
    m_queue.emplace(*transfer.queued, &transfer);
}

int ConcurrentFetcher::launchQueued()
{
    if (stopped()) {
        return 0; // the next poll() abandons what waits
    }
    // While more servers have transfers than the places allow each at its full limit, each
    // first gets its share of the places, so that the last sites of a run are not left to be
    // fetched on their own at the end, a few places at a time.
    const int servers = static_cast<int>(m_servers.size());
    const int share = servers > 0 ? m_settings.maxTransfers / servers : 0;
    int launched = 0;
    if (share >= 1 && share < m_settings.maxPerHost) {
        launched += launchUpTo(share);
    }
    return launched + launchUpTo(m_settings.maxPerHost);
}

int ConcurrentFetcher::launchUpTo(int perServer)
{
    const bool full = perServer >= m_settings.maxPerHost;
    const auto roomFor = [perServer](int waiting, int running) { return waiting > 0 && running < perServer; };
    // At the full limit the count is kept as transfers come and go; a share is counted here, over
    // the few servers that have transfers.
    int shareRoom = 0;
    if (!full) {
        for (const auto& [key, server] : m_servers) {
            shareRoom += roomFor(server.waiting, server.running) ? 1 : 0;
        }
    }
    int launched = 0;
    // A ticket whose server has no room waits, and one of another server behind it goes first;
    // the walk ends as soon as no server with a waiting ticket has room.
    for (auto at = m_queue.begin(); at != m_queue.end() && (full ? m_serversWithRoom : shareRoom) > 0 &&
                                    m_runningTotal < m_settings.maxTransfers;) {
        Transfer& transfer = *at->second;
        const Server& server = transfer.server->second;
        if (server.running >= perServer) {
            ++at;
            continue;
        }
        at = m_queue.erase(at);
        transfer.queued.reset();
        EasyHandle easy = handleForNext();
        if (!full && !roomFor(server.waiting - 1, server.running + (easy ? 1 : 0))) {
            --shareRoom;
        }
        if (!easy) {
            count(transfer.server, -1, 0);
            endUnstarted(transfer, failure(CURLE_FAILED_INIT, curlErrorText(CURLE_FAILED_INIT)));
            continue;
        }
        curl_easy_setopt(easy.get(), CURLOPT_URL, transfer.url.c_str());
        curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &transfer);
        curl_easy_setopt(easy.get(), CURLOPT_ERRORBUFFER, transfer.message);
        curl_easy_setopt(easy.get(), CURLOPT_PRIVATE, &transfer);
        curl_easy_setopt(easy.get(), CURLOPT_SHARE, currentPool());
        transfer.easy = std::move(easy);
        prepareRequest(transfer);
        curl_multi_add_handle(m_multi.get(), transfer.easy.get());
        count(transfer.server, -1, 1);
        ++m_runningTotal;
        ++launched;
    }
    return launched;
}

EasyHandle ConcurrentFetcher::handleForNext()
{
    if (!m_idleHandles.empty()) {
        EasyHandle easy = std::move(m_idleHandles.back());
        m_idleHandles.pop_back();
        return easy;
    }
    EasyHandle easy = makeEasyHandle(m_settings.limits);
    if (easy) {
        curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, appendBody);
        curl_easy_setopt(easy.get(), CURLOPT_HEADERFUNCTION, takeHeader);
    }
    return easy;
}

void ConcurrentFetcher::perform()
{
    int running = 0;
    curl_multi_perform(m_multi.get(), &running);
}

void ConcurrentFetcher::launchAndSend()
{
    if (launchQueued() > 0) {
        perform();
    }
}

void ConcurrentFetcher::release(Transfer& transfer)
{
    if (!transfer.easy) {
        return;
    }
    CURL* easy = transfer.easy.get();
    curl_multi_remove_handle(m_multi.get(), easy);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(easy, CURLOPT_PRIVATE, nullptr);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, nullptr);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, nullptr);
    transfer.requestHeaders.reset();
    m_idleHandles.push_back(std::move(transfer.easy));
    count(transfer.server, 0, -1);
    --m_runningTotal;
    if (m_pools.size() > 1) {
        curl_easy_setopt(easy, CURLOPT_SHARE, currentPool());
        dropOldPools();
    }
}

void ConcurrentFetcher::newPool()
{
    m_serversInPool = 0;
    ShareHandle pool = makeConnectionPool();
    if (!pool) {
        return; // the transfers stay with the pool they have
    }
    m_pools.push_back(std::move(pool));
    for (const EasyHandle& easy : m_idleHandles) {
        curl_easy_setopt(easy.get(), CURLOPT_SHARE, currentPool());
    }
    dropOldPools();
}

void ConcurrentFetcher::dropOldPools()
{
    for (auto pool = m_pools.begin(); m_pools.size() > 1 && pool != std::prev(m_pools.end());) {
        // Refused while a transfer under way still uses it.
        if (curl_share_cleanup(pool->get()) == CURLSHE_OK) {
            (void)pool->release();
            pool = m_pools.erase(pool);
        } else {
            ++pool;
        }
    }
}

void ConcurrentFetcher::forget(Transfer& transfer)
{
    if (transfer.retryAt) {
        m_retrying.erase(*transfer.retryAt);
        transfer.retryAt.reset();
    }
    if (transfer.queued) {
        m_queue.erase(*transfer.queued);
        transfer.queued.reset();
        count(transfer.server, -1, 0);
    }
    release(transfer);
}

void ConcurrentFetcher::collectFinished()
{
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(m_multi.get(), &left)) {
        if (message->msg != CURLMSG_DONE) {
            continue;
        }
        Transfer* found = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &found);
        if (!found) {
            continue;
        }
        Transfer& transfer = *found;
        const CURLcode code = message->data.result;
        DownloadResult& result = transfer.fetched.result;
        if (transfer.tooBig || code == CURLE_FILESIZE_EXCEEDED) {
            result = failure(CURLE_FILESIZE_EXCEEDED, "本文が上限の " + std::to_string(transfer.limit) +
                                                          " バイトを超えています（" +
                                                          std::to_string(CURLE_FILESIZE_EXCEEDED) + "）");
        } else if (code == CURLE_HTTP_RETURNED_ERROR) {
            long httpStatus = 0;
            curl_easy_getinfo(transfer.easy.get(), CURLINFO_RESPONSE_CODE, &httpStatus);
            result = httpStatus >= 400 ? failure(static_cast<int>(httpStatus), httpStatusText(httpStatus))
                                       : failure(code, curlErrorText(code));
        } else if (code == CURLE_OPERATION_TIMEDOUT) {
            // Whether the request went out tells whether the server never took it or answered too
            // slowly. The connect time cannot: it is nought on a connection kept from before.
            long sent = 0;
            curl_easy_getinfo(transfer.easy.get(), CURLINFO_REQUEST_SIZE, &sent);
            const bool connecting = sent == 0;
            transfer.answeredTooSlowly = !connecting;
            result = failure(
                code, std::string(connecting ? "接続が" : "") + "時間切れです（" +
                          secondsText(connecting ? m_settings.limits.connectTimeout : m_settings.limits.timeout) +
                          "、" + std::to_string(code) + "）");
        } else if (code != CURLE_OK) {
            result = failure(code, curlErrorText(code));
        } else if (!revalidate(transfer)) {
            release(transfer);
            retryLater(transfer, true);
            continue;
        } else if (transfer.stored) {
            result.contentType = transfer.stored->contentType;
        } else {
            char* contentType = nullptr;
            if (curl_easy_getinfo(transfer.easy.get(), CURLINFO_CONTENT_TYPE, &contentType) == CURLE_OK &&
                contentType) {
                result.contentType = contentType;
            }
        }
        if (result.status != 0) {
            transfer.fetched.body = std::string(); // a failure hands over no partial body
        }
        release(transfer);
        if (result.status != 0 && isTransient(result.status) && !transfer.answeredTooSlowly &&
            retryLater(transfer, false)) {
            continue;
        }
        transfer.ended = true;
        m_ended.push_back(transfer.ticket);
    }
}

void ConcurrentFetcher::prepareRequest(Transfer& transfer)
{
    transfer.headers = ResponseHeaders{};
    transfer.stored.reset();
    transfer.answeredTooSlowly = false;
    CURL* easy = transfer.easy.get();
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
    const bool web = transfer.url.starts_with("http://") || transfer.url.starts_with("https://");
    if (!m_cache || !web || transfer.unconditional) {
        return;
    }
    transfer.stored = m_cache->find(transfer.url);
    if (!transfer.stored) {
        return;
    }
    // What the file holds goes back to a server as headers: only values that cannot break them.
    const auto safe = [](const std::string& value) {
        return !value.empty() && value.size() <= 512 &&
               std::none_of(value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    };
    curl_slist* list = nullptr;
    for (auto [name, value] : {std::pair{"If-None-Match: ", &transfer.stored->etag},
                               std::pair{"If-Modified-Since: ", &transfer.stored->lastModified}}) {
        if (safe(*value)) {
            if (curl_slist* longer = curl_slist_append(list, (name + *value).c_str())) {
                list = longer;
            }
        }
    }
    transfer.requestHeaders.reset(list);
    if (!list) {
        transfer.stored.reset();
        return;
    }
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, list);
}

bool ConcurrentFetcher::revalidate(Transfer& transfer)
{
    long status = 0;
    curl_easy_getinfo(transfer.easy.get(), CURLINFO_RESPONSE_CODE, &status);
    char* effective = nullptr;
    curl_easy_getinfo(transfer.easy.get(), CURLINFO_EFFECTIVE_URL, &effective);
    const std::string finalUrl = effective ? effective : transfer.url;
    if (status == 304) {
        // The kept body stands only for the address it was kept for, reached the same way.
        std::optional<std::string> kept;
        if (transfer.stored && transfer.stored->finalUrl == finalUrl && !transfer.unconditional && m_cache) {
            kept = m_cache->body(*transfer.stored);
        }
        if (!kept) {
            transfer.stored.reset();
            return false;
        }
        transfer.fetched.body = std::move(*kept);
        if (m_cache) {
            m_cache->confirm(transfer.url);
        }
        return true;
    }
    transfer.stored.reset();
    if (m_cache && status == 200 && (transfer.url.starts_with("http://") || transfer.url.starts_with("https://"))) {
        char* contentType = nullptr;
        curl_easy_getinfo(transfer.easy.get(), CURLINFO_CONTENT_TYPE, &contentType);
        m_cache->store(StoredResponse{transfer.url, finalUrl, transfer.headers.etag, transfer.headers.lastModified,
                                      contentType ? contentType : "", transfer.fetched.body});
    }
    return true;
}

bool ConcurrentFetcher::retryLater(Transfer& transfer, bool unconditionally)
{
    if (stopped() || (unconditionally ? transfer.unconditional : transfer.retries >= m_settings.retries.extraTries)) {
        if (unconditionally) {
            // A 304 to a request without validators: nothing to hand over.
            transfer.fetched = Fetched{failure(304, httpStatusText(304)), {}};
            transfer.ended = true;
            m_ended.push_back(transfer.ticket);
        }
        return false;
    }
    std::chrono::milliseconds wait{0};
    if (unconditionally) {
        transfer.unconditional = true;
    } else {
        wait = retryWait(++transfer.retries, transfer.headers, m_settings.retries);
    }
    transfer.fetched = Fetched{};
    transfer.tooBig = false;
    transfer.server = nullptr;
    transfer.retryAt = m_retrying.emplace(std::chrono::steady_clock::now() + wait, &transfer);
    return true;
}

void ConcurrentFetcher::requeueDue()
{
    const auto now = std::chrono::steady_clock::now();
    bool any = false;
    while (!m_retrying.empty() && m_retrying.begin()->first <= now && !stopped()) {
        Transfer& transfer = *m_retrying.begin()->second;
        m_retrying.erase(m_retrying.begin());
        transfer.retryAt.reset();
        enqueue(transfer);
        any = true;
    }
    if (any) {
        launchAndSend();
    }
}

int ConcurrentFetcher::untilNextTry(std::chrono::milliseconds wait) const
{
    if (m_retrying.empty()) {
        return static_cast<int>(wait.count());
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_retrying.begin()->first -
                                                                            std::chrono::steady_clock::now());
    // A millisecond more, so the wait does not end just before the time.
    return static_cast<int>(std::clamp<long long>(left.count() + 1, 0, wait.count()));
}

void ConcurrentFetcher::abandonAll()
{
    for (auto& [ticket, transfer] : m_transfers) {
        if (!transfer->ended) {
            forget(*transfer);
            endUnstarted(*transfer, failure(kTransferStopped, curlErrorText(kTransferStopped)));
        }
    }
}

std::vector<Fetcher::Ticket> ConcurrentFetcher::poll(std::chrono::milliseconds wait)
{
    if (stopped()) {
        abandonAll();
    }
    requeueDue();
    if (m_runningTotal > 0) {
        // Transfers the last round of them finished (a local file ends at once) are told without
        // a wait.
        const std::size_t told = m_ended.size();
        collectFinished();
        launchAndSend();
        const bool endedNow = std::exchange(m_endedWhileDriven, false) || m_ended.size() > told;
        const int waitMs = endedNow ? 0 : untilNextTry(wait);
        // The pipe wakes the wait as soon as a stop is asked for, whatever the transfers do.
        curl_waitfd wake{m_wake[0], CURL_WAIT_POLLIN, 0};
        int ready = 0;
        curl_multi_poll(m_multi.get(), &wake, 1, waitMs, &ready);
        if (stopped()) {
            abandonAll();
        } else if (ready > 0 || waitMs > 0) {
            // Without a wait only a socket with something to read or write is worth a round of
            // the transfers; a wait may also have ended for one of libcurl's own timers.
            perform();
            collectFinished();
            requeueDue();
            // The places just freed are taken, and their requests sent, before the caller works
            // on what arrived.
            launchAndSend();
        }
    } else if (!m_retrying.empty() && m_ended.empty()) {
        // Nothing under way but transfers to be tried again: their wait, which a stop ends.
        curl_waitfd wake{m_wake[0], CURL_WAIT_POLLIN, 0};
        int ready = 0;
        curl_multi_poll(m_multi.get(), &wake, 1, untilNextTry(wait), &ready);
        if (stopped()) {
            abandonAll();
        } else {
            requeueDue();
        }
    }
    std::vector<Ticket> ended;
    ended.swap(m_ended);
    return ended;
}

void ConcurrentFetcher::drive()
{
    if (m_runningTotal == 0 || stopped()) {
        return;
    }
    int ready = 0;
    curl_multi_poll(m_multi.get(), nullptr, 0, 0, &ready);
    if (ready > 0) {
        const std::size_t told = m_ended.size();
        perform();
        collectFinished();
        launchAndSend();
        m_endedWhileDriven = m_endedWhileDriven || m_ended.size() > told;
    }
}

bool ConcurrentFetcher::done(Ticket ticket) const
{
    const auto found = m_transfers.find(ticket);
    return found == m_transfers.end() || found->second->ended;
}

Fetched ConcurrentFetcher::take(Ticket ticket)
{
    const auto found = m_transfers.find(ticket);
    if (found == m_transfers.end()) {
        return Fetched{failure(CURLE_BAD_FUNCTION_ARGUMENT, "no such transfer"), {}};
    }
    const Transfer* transfer = found->second.get();
    // Whoever waits for it needs it first.
    hurry(ticket);
    // Tickets that end meanwhile are still told by the next poll(); kept aside until then, so
    // that each poll here waits rather than returning at once with them.
    std::vector<Ticket> endedMeanwhile;
    while (!transfer->ended) {
        std::vector<Ticket> ended = poll(std::chrono::milliseconds(1000));
        endedMeanwhile.insert(endedMeanwhile.end(), ended.begin(), ended.end());
    }
    m_ended.insert(m_ended.begin(), endedMeanwhile.begin(), endedMeanwhile.end());
    Fetched fetched = std::move(found->second->fetched);
    std::erase(m_ended, ticket);
    m_transfers.erase(found);
    return fetched;
}

void ConcurrentFetcher::cancel(Ticket ticket)
{
    const auto found = m_transfers.find(ticket);
    if (found == m_transfers.end()) {
        return;
    }
    forget(*found->second);
    std::erase(m_ended, ticket);
    m_transfers.erase(found);
    launchAndSend();
}

} // namespace vz::platform
