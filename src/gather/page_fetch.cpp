#include "page_fetch.h"

#include "platform/url_policy.h"
#include "run/text.h"

namespace vz::gather {

bool mayFetch(std::u16string_view url, AddressOrigin origin)
{
    return origin == AddressOrigin::SiteList || platform::isFetchableFromPage(text::toUtf8(url));
}

PageFetcher::PageFetcher(run::Reporter& reporter, LookAhead& ahead, platform::EventYield& events,
                         run::FrontEnd* frontEnd)
    : m_reporter(reporter), m_ahead(ahead), m_events(events), m_frontEnd(frontEnd)
{
}

void PageFetcher::reportFailure(const std::u16string& url, const std::u16string& cause)
{
    m_reporter.DispErr(u"HTMLファイルがダウンロードできませんでした。", url, u"", u"GetHTML");
    if (m_frontEnd && !cause.empty()) {
        m_frontEnd->downloadFailed(url, cause);
    }
}

Arrival PageFetcher::take(const std::u16string& url, Expected::Kind kind,
                          std::optional<std::chrono::steady_clock::time_point> giveUpAt)
{
    int shown = 0;
    const auto waiting = [&](std::chrono::milliseconds waited) {
        const auto seconds = static_cast<int>(waited.count() / 1000);
        if (m_frontEnd && seconds > shown) {
            shown = seconds;
            m_frontEnd->transferWaiting(url, seconds);
        }
    };
    Arrival arrival = m_ahead.take(url, kind, waiting, giveUpAt);
    if (shown > 0) {
        m_frontEnd->transferWaiting(u"", 0);
    }
    return arrival;
}

Page PageFetcher::fetchPage(const std::u16string& url, AddressOrigin origin)
{
    if (!mayFetch(url, origin)) {
        m_events.yieldEvents();
        const std::u16string cause = u"取得しません（ページの中のアドレスは http と https だけを取得します）";
        reportFailure(url, cause);
        return Page{{}, false, false, cause};
    }
    Arrival arrival = take(url, Expected::Kind::Article);
    if (m_ahead.stopped()) {
        m_events.yieldEvents();
        return Page{{}, false, true};
    }
    m_events.yieldEvents();
    if (arrival.result.status != 0) {
        const std::u16string cause = arrival.result.description.empty()
                                         ? u"ステータス " + text::number(arrival.result.status)
                                         : text::fromUtf8(arrival.result.description);
        reportFailure(url, cause);
        return Page{{}, false, false, cause};
    }
    return Page{std::move(arrival.text), true, false, {}, std::move(arrival.reading)};
}

Page PageFetcher::again(const std::u16string& url, Page page)
{
    m_events.yieldEvents();
    if (page.stopped || m_ahead.stopped()) {
        return Page{{}, false, true};
    }
    if (!page.fetched) {
        // The cause was told when the page was fetched; the log keeps its second line.
        reportFailure(url, u"");
    }
    return page;
}

std::optional<std::string> PageFetcher::fetchPicture(const std::u16string& url,
                                                     std::optional<std::chrono::steady_clock::time_point> giveUpAt)
{
    // A "file:" address would copy a local file into the output.
    if (!mayFetch(url, AddressOrigin::Page)) {
        return std::nullopt;
    }
    if (m_frontEnd) {
        m_frontEnd->pictureStarted(url);
    }
    Arrival arrival = take(url, Expected::Kind::Picture, giveUpAt);
    if (arrival.result.status != 0) {
        return std::nullopt;
    }
    return std::move(arrival.bytes);
}

} // namespace vz::gather
