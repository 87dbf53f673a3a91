#include "page_fetch.h"

#include "platform/downloader_fetcher.h"
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

Page PageFetcher::fetchPage(const std::u16string& url, AddressOrigin origin)
{
    if (!mayFetch(url, origin)) {
        m_events.yieldEvents();
        reportFailure(url, u"refused: only http and https addresses are fetched from a page");
        return Page{};
    }
    Arrival arrival = m_ahead.take(url, Expected::Kind::Article);
    if (arrival.result.status == platform::kDownloadRaised) {
        m_reporter.DispErr(text::fromUtf8(arrival.result.description), url, u"", u"DownloadFile");
    }
    m_events.yieldEvents();
    if (arrival.result.status != 0) {
        reportFailure(url, arrival.result.description.empty() ? u"status " + text::number(arrival.result.status)
                                                              : text::fromUtf8(arrival.result.description));
        return Page{};
    }
    return Page{std::move(arrival.text), true};
}

Page PageFetcher::again(const std::u16string& url, Page page)
{
    m_events.yieldEvents();
    if (!page.fetched) {
        // The cause was told when the page was fetched; the log keeps its second line.
        reportFailure(url, u"");
    }
    return page;
}

std::optional<std::string> PageFetcher::fetchPicture(const std::u16string& url)
{
    // A "file:" address would copy a local file into the output.
    if (!mayFetch(url, AddressOrigin::Page)) {
        return std::nullopt;
    }
    if (m_frontEnd) {
        m_frontEnd->pictureStarted(url);
    }
    Arrival arrival = m_ahead.take(url, Expected::Kind::Picture);
    if (arrival.result.status != 0) {
        return std::nullopt;
    }
    return std::move(arrival.bytes);
}

} // namespace vz::gather
