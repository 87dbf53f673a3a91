#include "downloader_fetcher.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <iterator>

namespace vz::platform {

DownloaderFetcher::DownloaderFetcher(Downloader& downloader, std::string scratch)
    : m_downloader(downloader), m_scratch(std::move(scratch))
{
}

Fetcher::Ticket DownloaderFetcher::start(const std::string& url, Order order)
{
    const Ticket ticket = m_next++;
    m_urls[ticket] = url;
    m_orders[ticket] = order;
    // Behind every waiting ticket of the same or a lower order.
    const auto at = std::find_if(m_queue.begin(), m_queue.end(), [&](Ticket waiting) {
        const auto found = m_orders.find(waiting);
        return found != m_orders.end() && found->second > order;
    });
    m_queue.insert(at, ticket);
    return ticket;
}

void DownloaderFetcher::runOne(Ticket ticket)
{
    std::erase(m_queue, ticket);
    m_orders.erase(ticket);
    Fetched fetched;
    if (stopped()) {
        fetched.result = DownloadResult{kTransferStopped, {}, "中止しました"};
        m_urls.erase(ticket);
        m_done[ticket] = std::move(fetched);
        return;
    }
    try {
        fetched.result = m_downloader.download(m_urls.at(ticket), m_scratch);
    } catch (const std::exception& e) {
        fetched.result = DownloadResult{kDownloadRaised, {}, e.what()};
    }
    if (fetched.result.status == 0) {
        std::ifstream in(m_scratch, std::ios::binary);
        fetched.body.assign(std::istreambuf_iterator<char>(in), {});
        if (!in && !in.eof()) {
            fetched.result = DownloadResult{kDownloadRaised, {}, "cannot read " + m_scratch};
            fetched.body.clear();
        }
    }
    m_urls.erase(ticket);
    m_done[ticket] = std::move(fetched);
}

std::vector<Fetcher::Ticket> DownloaderFetcher::poll(std::chrono::milliseconds)
{
    if (m_queue.empty()) {
        return {};
    }
    const Ticket ticket = m_queue.front();
    runOne(ticket);
    return {ticket};
}

bool DownloaderFetcher::done(Ticket ticket) const
{
    return !m_urls.contains(ticket);
}

Fetched DownloaderFetcher::take(Ticket ticket)
{
    if (m_urls.contains(ticket)) {
        runOne(ticket);
    }
    const auto found = m_done.find(ticket);
    if (found == m_done.end()) {
        return Fetched{DownloadResult{kDownloadRaised, {}, "no such transfer"}, {}};
    }
    Fetched fetched = std::move(found->second);
    m_done.erase(found);
    return fetched;
}

void DownloaderFetcher::cancel(Ticket ticket)
{
    std::erase(m_queue, ticket);
    m_orders.erase(ticket);
    m_urls.erase(ticket);
    m_done.erase(ticket);
}

void DownloaderFetcher::hurry(Ticket ticket)
{
    if (std::find(m_queue.begin(), m_queue.end(), ticket) != m_queue.end()) {
        std::erase(m_queue, ticket);
        m_queue.push_front(ticket);
        m_orders[ticket] = 0;
    }
}

} // namespace vz::platform
