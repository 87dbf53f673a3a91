#include "page_fetch.h"

#include <exception>
#include <fstream>

#include "platform/page_converter.h"
#include "platform/url_policy.h"
#include "run/text.h"

namespace vz::gather {

PageFetcher::PageFetcher(const run::RunState& state, run::Reporter& reporter, platform::Downloader& downloader,
                         platform::EventYield& events, run::FrontEnd* frontEnd)
    : m_state(state), m_reporter(reporter), m_downloader(downloader), m_events(events), m_frontEnd(frontEnd)
{
}

std::u16string PageFetcher::rawPath() const
{
    return m_state.DataPath + u"raw.tmp";
}

platform::DownloadResult PageFetcher::download(const std::u16string& url, const std::u16string& path,
                                               AddressOrigin origin)
{
    const std::string address = text::toUtf8(url);
    if (origin == AddressOrigin::Page && !platform::isFetchableFromPage(address)) {
        return platform::DownloadResult{kAddressRefused, {}, "only http and https addresses are fetched from a page"};
    }
    try {
        return m_downloader.download(address, text::toUtf8(path));
    } catch (const std::exception& e) {
        m_reporter.DispErr(text::fromUtf8(e.what()), url, path, u"DownloadFile");
        // Not 0: the caller must not take the file for the page.
        return platform::DownloadResult{kDownloadRaised, {}, e.what()};
    }
}

std::int32_t PageFetcher::DownloadFile(const std::u16string& url, const std::u16string& path)
{
    return download(url, path, AddressOrigin::SiteList).status;
}

std::u16string PageFetcher::GetHTML(const std::u16string& url, AddressOrigin origin)
{
    const std::u16string local = rawPath();
    const platform::DownloadResult result = download(url, local, origin);
    m_events.yieldEvents();
    if (result.status != 0) {
        m_reporter.DispErr(u"HTMLファイルがダウンロードできませんでした。", url, u"", u"GetHTML");
        if (m_frontEnd) {
            m_frontEnd->downloadFailed(url, result.description.empty() ? u"status " + text::number(result.status)
                                                                       : text::fromUtf8(result.description));
        }
        // raw.tmp still holds the previous page; reading it would file that page again under
        // this address.
        return {};
    }
    return ReadConverted(local, platform::charsetOfContentType(result.contentType));
}

std::u16string PageFetcher::ReadConverted(const std::u16string& path, std::string_view declaredCharset) const
{
    try {
        std::ifstream in(text::toPath(path), std::ios::binary | std::ios::ate);
        if (!in) {
            return {};
        }
        const std::streamoff size = in.tellg();
        if (size < 0) {
            return {};
        }
        std::string bytes(static_cast<std::size_t>(size), '\0');
        in.seekg(0);
        if (!in.read(bytes.data(), size)) {
            return {};
        }
        return platform::convertPage(bytes, declaredCharset).text;
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace vz::gather
