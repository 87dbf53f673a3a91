#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "gather/look_ahead.h"
#include "platform/event_yield.h"
#include "run/front_end.h"
#include "run/reporter.h"

namespace vz::gather {

/// Who supplied an address: the user's own site list may name any address the fetcher knows
/// (a local file included); an address a fetched page supplied must be http or https.
enum class AddressOrigin { SiteList, Page };

/// Whether an address may be fetched, given who supplied it.
bool mayFetch(std::u16string_view url, AddressOrigin origin);

/// A page as the run reads it.
struct Page
{
    std::u16string text;
    /// False when the download failed or was refused (the text is then empty).
    bool fetched = false;
    /// The run was asked to stop while the page was fetched: it is abandoned, not reported.
    bool stopped = false;
    /// Why it was not fetched, in words (the HTTP status, a time-out, a refused address).
    std::u16string cause = {};
    /// How its bytes were read.
    PageReading reading = {};
};

/// Every page and picture the run reads comes through here, from the run's look-ahead: pages
/// already converted to CP932 text, pictures as bytes. Nothing is written to the data folder.
class PageFetcher
{
public:
    /// `frontEnd`, when given, is told the cause of every failed page download and how long a
    /// transfer has been waited for.
    PageFetcher(run::Reporter& reporter, LookAhead& ahead, platform::EventYield& events,
                run::FrontEnd* frontEnd = nullptr);

    /// Fetches the page, lets waiting window events run once, and returns the page as text.
    /// A failed download is reported under "GetHTML" and gives an empty page. An address from a page that may not
    /// be fetched fails the same way without being tried.
    Page fetchPage(const std::u16string& url, AddressOrigin origin = AddressOrigin::SiteList);
    std::u16string GetHTML(const std::u16string& url, AddressOrigin origin = AddressOrigin::SiteList)
    {
        return fetchPage(url, origin).text;
    }
    /// Hands out a page fetched before under the same address as if it were fetched again: the
    /// window events run and a failure is reported once more, but nothing goes over the network.
    Page again(const std::u16string& url, Page page);

    /// A picture's bytes; nothing, without a report, when it cannot be fetched or has not come
    /// by `giveUpAt`. Picture addresses come from pages: only http and https ones are tried.
    std::optional<std::string>
    fetchPicture(const std::u16string& url,
                 std::optional<std::chrono::steady_clock::time_point> giveUpAt = std::nullopt);
    /// The run is done with this article: pictures fetched ahead for it are dropped.
    void forgetPicturesOf(const std::u16string& article) { m_ahead.forgetPicturesOf(article); }

    /// Whether the run was asked to stop.
    bool stopped() const { return m_ahead.stopped(); }

private:
    void reportFailure(const std::u16string& url, const std::u16string& cause);
    Arrival take(const std::u16string& url, Expected::Kind kind,
                 std::optional<std::chrono::steady_clock::time_point> giveUpAt = std::nullopt);

    run::Reporter& m_reporter;
    LookAhead& m_ahead;
    platform::EventYield& m_events;
    run::FrontEnd* m_frontEnd;
};

} // namespace vz::gather
