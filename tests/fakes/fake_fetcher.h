#pragma once

#include <algorithm>
#include <atomic>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/fetcher.h"

namespace vz::test {

/// Serves the bytes of the addresses it was given and fails every other address with 404,
/// recording what was asked. One transfer at a time, inside poll() and take(), so a test sees
/// every fetch in the order the run asked for it; a transfer under way cannot be abandoned.
class FakeFetcher : public platform::Fetcher
{
public:
    /// Address -> bytes.
    std::map<std::string, std::string> resources;
    std::vector<std::string> requested;
    /// Every address a transfer was started for, served or not, with its order; those abandoned.
    std::vector<std::string> started, abandoned;
    std::map<std::string, Order> orders;
    /// The limits last set, and how many transfers were taken.
    std::pair<int, int> limits;
    std::size_t taken = 0;
    /// Every transfer waiting ends at the next poll, as on a fast network; else one a poll.
    bool allAtOnce = false;

    Ticket start(const std::string& url, Order order) override
    {
        started.push_back(url);
        orders[url] = order;
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
    std::vector<Ticket> poll(std::chrono::milliseconds) override
    {
        if (m_queue.empty()) {
            return {};
        }
        std::vector<Ticket> ended;
        do {
            ended.push_back(m_queue.front());
            runOne(ended.back());
        } while (allAtOnce && !m_queue.empty());
        return ended;
    }
    bool done(Ticket ticket) const override { return !m_urls.contains(ticket); }
    platform::Fetched take(Ticket ticket) override
    {
        ++taken;
        if (m_urls.contains(ticket)) {
            runOne(ticket);
        }
        const auto found = m_done.find(ticket);
        if (found == m_done.end()) {
            return {{-1, {}, "no such transfer"}, {}};
        }
        platform::Fetched fetched = std::move(found->second);
        m_done.erase(found);
        return fetched;
    }
    void cancel(Ticket ticket) override
    {
        if (const auto found = m_urls.find(ticket); found != m_urls.end()) {
            abandoned.push_back(found->second);
        } else if (m_done.contains(ticket)) {
            abandoned.push_back(m_served.at(ticket));
        }
        std::erase(m_queue, ticket);
        m_orders.erase(ticket);
        m_urls.erase(ticket);
        m_done.erase(ticket);
    }
    void hurry(Ticket ticket) override
    {
        if (std::find(m_queue.begin(), m_queue.end(), ticket) != m_queue.end()) {
            std::erase(m_queue, ticket);
            m_queue.push_front(ticket);
            m_orders[ticket] = 0;
        }
    }
    /// Transfers started and neither taken nor abandoned.
    std::size_t pending() const { return m_urls.size() + m_done.size(); }
    void setLimits(int transfers, int perServer) override { limits = {transfers, perServer}; }
    void stop() override { m_stopped.store(true); }
    bool stopped() const override { return m_stopped.load(); }
    void resume() override { m_stopped.store(false); }

protected:
    /// One transfer, on the thread that polls or takes.
    virtual platform::Fetched serve(const std::string& url)
    {
        requested.push_back(url);
        const auto found = resources.find(url);
        if (found == resources.end()) {
            return {{404, "", "not found: " + url}, {}};
        }
        return {{0, "image/gif", ""}, found->second};
    }

private:
    void runOne(Ticket ticket)
    {
        std::erase(m_queue, ticket);
        m_orders.erase(ticket);
        m_done[ticket] = stopped() ? platform::Fetched{{platform::kTransferStopped, {}, "中止しました"}, {}}
                                   : serve(m_urls.at(ticket));
        m_served[ticket] = m_urls.at(ticket);
        m_urls.erase(ticket);
    }

    std::deque<Ticket> m_queue;
    std::map<Ticket, std::string> m_served;
    std::map<Ticket, std::string> m_urls;
    std::map<Ticket, Order> m_orders; ///< of the tickets waiting
    std::map<Ticket, platform::Fetched> m_done;
    Ticket m_next = 1;
    std::atomic<bool> m_stopped{false};
};

} // namespace vz::test
