#include "look_ahead.h"

#include <algorithm>
#include <chrono>

#include "platform/charset_labels.h"
#include "platform/page_converter.h"
#include "run/text.h"

namespace vz::gather {

namespace {

std::size_t sizeOf(const Arrival& arrival)
{
    return arrival.bytes.size() + arrival.text.size() * sizeof(char16_t);
}

using Order = platform::Fetcher::Order;

// The run's order in three levels: what was expected from the start (a site's index page, or its
// pages when it has no index), what their arrival foresaw (the site's articles), and what those
// foresaw (an article's pictures). Each level counts within the one above it.
constexpr int kFirstShift = 40;
constexpr int kSecondShift = 16;
constexpr Order kSecondMask = ((Order{1} << kFirstShift) - 1) & ~((Order{1} << kSecondShift) - 1);
constexpr Order kThirdMask = (Order{1} << kSecondShift) - 1;

Order firstLevel(Order n)
{
    return std::min(n, (Order{1} << (64 - kFirstShift)) - 1) << kFirstShift;
}

// The order of the `n`th fetch (from 1) that `parent`'s arrival foresaw. Past the third level, or
// past the numbers a level holds, fetches share their parent's order, and the fetcher keeps them
// in the order they were started.
Order foreseen(Order parent, std::size_t n)
{
    const auto count = static_cast<Order>(n);
    if ((parent & (kSecondMask | kThirdMask)) == 0) {
        return parent + (std::min(count, kSecondMask >> kSecondShift) << kSecondShift);
    }
    if ((parent & kThirdMask) == 0) {
        return parent + std::min(count, kThirdMask);
    }
    return parent;
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

LookAhead::Items::iterator LookAhead::add(Items::iterator at, const Expected& expected, Order order)
{
    const auto item = m_items.insert(at, Item{expected, order, 0, std::nullopt, false, {}});
    item->waiting = m_waiting.emplace(order, item);
    return item;
}

void LookAhead::expect(const std::vector<Expected>& items)
{
    for (const Expected& expected : items) {
        add(m_items.end(), expected, firstLevel(++m_expected));
    }
    launch();
}

void LookAhead::drop(Items::iterator item)
{
    if (item->waiting) {
        m_waiting.erase(*item->waiting);
    }
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
    // The list is in the run's order, so the rows left behind are at its front.
    while (!m_items.empty() && m_items.front().expected.row < row) {
        drop(m_items.begin());
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
    if (item->waiting) {
        m_waiting.erase(*item->waiting);
        item->waiting.reset();
    }
    item->ticket = m_fetcher.start(text::toUtf8(item->expected.url), item->order);
    m_byTicket[item->ticket] = item;
    ++m_started;
}

void LookAhead::launch()
{
    if (stopped()) {
        return; // nothing new goes out; what the run still asks for ends at once
    }
    while (!m_waiting.empty() && m_started < m_window && m_waitingBytes < m_byteBudget) {
        startItem(m_waiting.begin()->second);
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
        // Converted once, as it arrives; the bytes go as they are read, so a page is held only
        // as text.
        std::string charset = platform::charsetOfContentType(arrival.result.contentType);
        const std::size_t size = fetched.body.size();
        platform::ConvertedPage converted = platform::convertPageReleasing(std::move(fetched.body), charset);
        arrival.text = std::move(converted.text);
        arrival.reading = PageReading{size,
                                      converted.encoding,
                                      std::move(converted.charset),
                                      converted.declared,
                                      std::move(charset),
                                      converted.invalidSequences};
    }
    m_waitingBytes += sizeOf(arrival);
    if (m_predict && arrival.result.status == 0) {
        const std::vector<Expected> more = m_predict(item->expected, arrival);
        const auto at = std::next(item);
        for (std::size_t i = 0; i < more.size(); ++i) {
            add(at, more[i], foreseen(item->order, i + 1));
        }
    }
}

void LookAhead::collect(std::chrono::milliseconds wait)
{
    for (const auto ticket : m_fetcher.poll(wait)) {
        settle(ticket);
        // What the page foresaw goes out now, and places freed while it was converted are taken,
        // before the next page is.
        launch();
        m_fetcher.drive();
    }
    launch();
}

Arrival LookAhead::take(const std::u16string& url, Expected::Kind kind, const WaitingHook& waiting,
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
        item = add(m_items.begin(), Expected{url, kind, -1, false}, 0);
    }
    if (item->ticket == 0) {
        startItem(item);
    }
    if (item->arrived) {
        // Transfers that ended while the run worked are handed over now, so that their places
        // go to the next ones before the run works again.
        collect(std::chrono::milliseconds(0));
    } else {
        m_fetcher.hurry(item->ticket);
    }
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
        collect(slice);
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
