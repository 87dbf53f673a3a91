#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/downloader.h"

namespace vz::platform {

struct CurlSettings
{
    std::chrono::milliseconds connectTimeout{15000};
    /// For the whole transfer, redirects included.
    std::chrono::milliseconds timeout{60000};
    /// A larger body (after gzip or deflate decoding) fails the download.
    std::uint64_t maxBodyBytes = 64ULL * 1024 * 1024;
};

/// Downloads http, https (checked against the system's certificates) and file URLs with libcurl.
/// Redirects are followed up to ten times, between http and https only; gzip and deflate bodies
/// are decoded; an HTTP status of 400 or more is a failure. The body goes to a temporary file
/// beside the target that replaces the target only when the whole body arrived.
///
/// One handle serves every call, so connections to a server are kept open between pages. Not for
/// use from two threads at once.
///
/// Status: 0 on success; the HTTP status for a response of 400 or more; otherwise libcurl's
/// error number (28 for a timeout, 42 when the abort check stopped it, 47 for too many redirects,
/// 63 for an over-size body, 23 when the file could not be written).
class CurlDownloader final : public Downloader
{
public:
    /// Throws std::runtime_error when libcurl cannot be set up.
    explicit CurlDownloader(CurlSettings settings = {});
    ~CurlDownloader() override;
    CurlDownloader(const CurlDownloader&) = delete;
    CurlDownloader& operator=(const CurlDownloader&) = delete;

    DownloadResult download(const std::string& url, const std::string& path) override;

    /// Asked while a transfer goes on (about once a second at least); when it answers true the
    /// transfer is abandoned, its part file removed, and the status is 42.
    void setAbortCheck(std::function<bool()> check);

    void setTimeout(std::chrono::milliseconds timeout);
    void setMaxBodyBytes(std::uint64_t bytes);

    /// "vodeZeva/<version>"
    static std::string userAgent();

private:
    void applySettings();

    void* m_curl = nullptr; ///< the libcurl easy handle
    CurlSettings m_settings;
    std::function<bool()> m_abortCheck;
};

/// The URL with spaces, control characters and bytes of 0x80 and over percent-encoded, as
/// browsers send addresses written with them.
std::string escapeUrl(const std::string& url);

/// "HTTP status 404 Not Found": the status with its standard reason phrase, where it has one.
std::string httpStatusText(long status);

} // namespace vz::platform
