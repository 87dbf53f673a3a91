#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/downloader.h"
#include "platform/event_yield.h"
#include "run/front_end.h"
#include "run/reporter.h"
#include "run/run_state.h"

namespace vz::gather {

/// Status DownloadFile returns when the download raised an error instead of reporting one.
inline constexpr std::int32_t kDownloadRaised = -1;
/// Status of an address a page supplied that is not http or https: refused, never fetched.
inline constexpr std::int32_t kAddressRefused = -2;

/// Who supplied an address: the user's own site list may name any address the downloader knows
/// (a local file included); an address a fetched page supplied must be http or https.
enum class AddressOrigin { SiteList, Page };

/// Every page the run reads comes through here: downloaded into "raw.tmp" in the data folder,
/// then read as the text it is after conversion to CP932.
class PageFetcher
{
public:
    /// `frontEnd`, when given, is told the cause of every failed page download.
    PageFetcher(const run::RunState& state, run::Reporter& reporter, platform::Downloader& downloader,
                platform::EventYield& events, run::FrontEnd* frontEnd = nullptr);

    /// Downloads the page, lets waiting window events run once, and returns the page as text.
    /// A failed download is reported under "GetHTML" and gives an empty page, never what an
    /// earlier download left in raw.tmp. An address from a page that may not be fetched fails
    /// the same way without being tried.
    std::u16string GetHTML(const std::u16string& url, AddressOrigin origin = AddressOrigin::SiteList);

    /// Downloads `url` into the file `path`; 0 on success. A download that raises an error is
    /// reported under "DownloadFile" and gives kDownloadRaised.
    std::int32_t DownloadFile(const std::u16string& url, const std::u16string& path);

    /// The file's bytes as text after conversion to CP932, in the charset the server declared
    /// (the Content-Type header's charset, when given), the page declares, or detection finds.
    /// Empty when the file cannot be read.
    std::u16string ReadConverted(const std::u16string& path, std::string_view declaredCharset = {}) const;

    /// DataPath followed by "raw.tmp".
    std::u16string rawPath() const;

private:
    platform::DownloadResult download(const std::u16string& url, const std::u16string& path, AddressOrigin origin);

    const run::RunState& m_state;
    run::Reporter& m_reporter;
    platform::Downloader& m_downloader;
    platform::EventYield& m_events;
    run::FrontEnd* m_frontEnd;
};

} // namespace vz::gather
