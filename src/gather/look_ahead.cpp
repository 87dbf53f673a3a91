#include "look_ahead.h"

#include <algorithm>
#include <chrono>

#include "platform/page_converter.h"
#include "run/text.h"

namespace vz::gather {

namespace {

std::size_t sizeOf(const Arrival& arrival)
{
    return arrival.bytes.size() + arrival.text.size() * sizeof(char16_t);
}

} // namespace

LookAhead::LookAhead(platform::Fetcher& fetcher, std::size_t window, std::size_t byteBudget, Predict predict)
    : m_fetcher(fetcher), m_window(window < 1 ? 1 : window), m_byteBudget(byteBudget), m_predict(std::move(predict))
{
}

LookAhead::~LookAhead()
{
    for (const Item& item : m_items) {
        if (item.ticket != 0 && !item.arrived) {
            m_fetcher.cancel(item.ticket);
        }
    }
}

void LookAhead::expect(const std::vector<Expected>& items)
{
    for (const Expected& expected : items) {
        m_items.push_back(Item{expected, 0, false, {}});
    }
    launch();
}

void LookAhead::drop(Items::iterator item)
{
    if (item->ticket != 0) {
        if (!item->arrived) {
            m_fetcher.cancel(item->ticket);
            m_byTicket.erase(item->ticket);
        }
        m_waitingBytes -= sizeOf(item->arrival);
        --m_started;
    }
    m_items.erase(item);
}

void LookAhead::forgetBefore(int row)
{
    for (auto item = m_items.begin(); item != m_items.end();) {
        const auto next = std::next(item);
        if (item->expected.row < row) {
            drop(item);
        }
        item = next;
    }
    launch();
}

void LookAhead::forgetPicturesOf(const std::u16string& article)
{
    for (auto item = m_items.begin(); item != m_items.end();) {
        const auto next = std::next(item);
        if (item->expected.kind == Expected::Kind::Picture && item->expected.from == article) {
            drop(item);
        }
        item = next;
    }
    launch();
}

void LookAhead::startItem(Items::iterator item)
{
    item->ticket = m_fetcher.start(text::toUtf8(item->expected.url));
    m_byTicket[item->ticket] = item;
    ++m_started;
}

void LookAhead::launch()
{
    if (stopped()) {
        return; // nothing new goes out; what the run still asks for ends at once
    }
    for (auto item = m_items.begin(); item != m_items.end() && m_started < m_window; ++item) {
        if (m_waitingBytes >= m_byteBudget) {
            return;
        }
        if (item->ticket == 0) {
            startItem(item);
        }
    }
}

void LookAhead::settle(platform::Fetcher::Ticket ticket)
{
    const auto found = m_byTicket.find(ticket);
    if (found == m_byTicket.end()) {
        return;
    }
    const Items::iterator item = found->second;
    m_byTicket.erase(found);
    platform::Fetched fetched = m_fetcher.take(ticket);
    item->arrived = true;
    Arrival& arrival = item->arrival;
    arrival.result = std::move(fetched.result);
    if (item->expected.kind == Expected::Kind::Picture) {
        arrival.bytes = std::move(fetched.body);
    } else if (arrival.result.status == 0) {
        // Converted once, as it arrives; the bytes go at once so a page is held only as text.
        std::string charset = platform::charsetOfContentType(arrival.result.contentType);
        platform::ConvertedPage converted = platform::convertPage(fetched.body, charset);
        arrival.text = std::move(converted.text);
        arrival.reading = PageReading{fetched.body.size(), converted.encoding, std::move(converted.charset),
                                      converted.declared,  std::move(charset), converted.invalidSequences};
        std::string().swap(fetched.body);
    }
    m_waitingBytes += sizeOf(arrival);
    if (m_predict && arrival.result.status == 0) {
        const std::vector<Expected> more = m_predict(item->expected, arrival);
        auto at = std::next(item);
        for (const Expected& expected : more) {
            m_items.insert(at, Item{expected, 0, false, {}});
        }
    }
}

Arrival LookAhead::take(const std::u16string& url, Expected::Kind kind, const Waiting& waiting,
                        std::optional<std::chrono::steady_clock::time_point> giveUpAt)
{
    // An index page and an article are both pages, fetched and converted alike.
    const bool picture = kind == Expected::Kind::Picture;
    auto item = m_items.begin();
    while (item != m_items.end() &&
           ((item->expected.kind == Expected::Kind::Picture) != picture || item->expected.url != url)) {
        ++item;
    }
    if (item == m_items.end()) {
        // Row -1: nothing is foreseen from what was not foreseen itself.
        item = m_items.insert(m_items.begin(), Item{Expected{url, kind, -1, false}, 0, false, {}});
    }
    if (item->ticket == 0) {
        startItem(item);
    }
    m_fetcher.hurry(item->ticket);
    const auto begun = std::chrono::steady_clock::now();
    while (!item->arrived) {
        auto slice = std::chrono::milliseconds(100);
        if (giveUpAt) {
            const auto now = std::chrono::steady_clock::now();
            if (now >= *giveUpAt) {
                drop(item);
                launch();
                return Arrival{
                    platform::DownloadResult{platform::kTransferTimedOut, {}, "時間切れです（画像に使える時間）"},
                    {},
                    {}};
            }
            slice = std::min(slice, std::chrono::ceil<std::chrono::milliseconds>(*giveUpAt - now));
        }
        for (const auto ticket : m_fetcher.poll(slice)) {
            settle(ticket);
        }
        launch();
        if (waiting && !item->arrived) {
            waiting(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - begun));
        }
    }
    Arrival arrival = std::move(item->arrival);
    m_waitingBytes -= sizeOf(arrival);
    --m_started;
    m_items.erase(item);
    launch();
    return arrival;
}

} // namespace vz::gather
