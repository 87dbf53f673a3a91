#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <list>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/fetcher.h"
#include "platform/page_converter.h"

namespace vz::gather {

/// What the run will ask for, in the order it will ask.
struct Expected
{
    enum class Kind { Index, Article, Picture };

    std::u16string url;
    Kind kind = Kind::Article;
    /// The site row the fetch belongs to; -1 for what was not expected.
    int row = 0;
    /// For an article: whether the run will cut it (and so fetch its pictures).
    bool cut = false;
    /// For a picture: the address of the article that shows it.
    std::u16string from = {};
};

/// How a page's bytes were read, so a person can be told why a page reads as it does.
struct PageReading
{
    std::size_t bytes = 0; ///< as they arrived (after the transfer's own decoding)
    platform::PageEncoding encoding = platform::PageEncoding::Ascii;
    std::string converter;     ///< what the bytes were read with ("EUC-JP"); empty for ASCII
    bool declared = false;     ///< the server's or the page's declaration decided, not detection
    std::string headerCharset; ///< the charset the server's Content-Type named, if any
    std::size_t invalidSequences = 0;
};

/// A fetch as the run gets it: pages already converted to text, pictures as bytes.
struct Arrival
{
    platform::DownloadResult result;
    std::string bytes;        ///< a picture's bytes
    std::u16string text;      ///< a page as text
    PageReading reading = {}; ///< for a page
};

/// Fetches what the run will need before it asks, while the run works on what came before:
/// a list of expected fetches in the order the run will ask for them, started in that order
/// within a window, and grown as pages arrive (an index page tells the site's articles, an
/// article its pictures). Each fetch tells the fetcher its place in that order, so a picture the
/// run needs next goes out before the articles of later sites that were started long before it.
/// Whatever is asked for and was not expected is fetched at once.
/// At most `window` fetches are under way or waiting to be taken, and no new one starts while
/// the pages waiting hold more than `byteBudget` bytes, so memory stays bounded whatever the
/// size of a site.
class LookAhead
{
public:
    /// What else will be asked for after an expected fetch arrived, in order.
    using Predict = std::function<std::vector<Expected>(const Expected&, const Arrival&)>;

    LookAhead(platform::Fetcher& fetcher, std::size_t window, std::size_t byteBudget, Predict predict);
    /// Abandons every fetch not taken.
    ~LookAhead();
    LookAhead(const LookAhead&) = delete;
    LookAhead& operator=(const LookAhead&) = delete;

    /// Expects these after everything expected so far.
    void expect(const std::vector<Expected>& items);
    /// Abandons what was expected for rows before `row`: the run has gone past them.
    void forgetBefore(int row);
    /// Abandons the pictures expected for `article`, once the run is done with it.
    void forgetPicturesOf(const std::u16string& article);

    /// Told while take() waits: how long it has waited so far, about ten times a second.
    using WaitingHook = std::function<void(std::chrono::milliseconds waited)>;
    /// The first expected fetch of `url` (a page for any kind but Picture), fetched now when
    /// none was expected, waiting for it to arrive. Past `giveUpAt` the fetch is abandoned and
    /// ends as timed out.
    Arrival take(const std::u16string& url, Expected::Kind kind, const WaitingHook& waiting = {},
                 std::optional<std::chrono::steady_clock::time_point> giveUpAt = std::nullopt);

    /// Whether the fetcher was asked to stop: whatever is taken from now on ends stopped.
    bool stopped() const { return m_fetcher.stopped(); }

    /// Fetches started and not yet taken.
    std::size_t underWay() const { return m_started; }

private:
    struct Item;
    using Items = std::list<Item>;
    /// Expected fetches not started yet, by their place in the run's order.
    using Waiting = std::multimap<platform::Fetcher::Order, Items::iterator>;
    struct Item
    {
        Expected expected;
        platform::Fetcher::Order order = 0;
        platform::Fetcher::Ticket ticket = 0; ///< 0 until started
        std::optional<Waiting::iterator> waiting;
        bool arrived = false;
        Arrival arrival;
    };

    /// Adds an expected fetch before `at`, waiting to be started.
    Items::iterator add(Items::iterator at, const Expected& expected, platform::Fetcher::Order order);
    void startItem(Items::iterator item);
    void launch();
    void settle(platform::Fetcher::Ticket ticket);
    /// Hands over what the fetcher finished within `wait` and starts what may start.
    void collect(std::chrono::milliseconds wait);
    void drop(Items::iterator item);

    platform::Fetcher& m_fetcher;
    std::size_t m_window;
    std::size_t m_byteBudget;
    Predict m_predict;
    Items m_items;
    Waiting m_waiting;
    /// Fetches expected from the start so far, which number the first level of the order.
    platform::Fetcher::Order m_expected = 0;
    std::map<platform::Fetcher::Ticket, Items::iterator> m_byTicket;
    std::size_t m_started = 0;
    std::size_t m_waitingBytes = 0;
};

} // namespace vz::gather
