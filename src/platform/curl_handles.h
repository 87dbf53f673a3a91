#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

// libcurl's own names for its handles (what CURL, CURLM and CURLSH stand for when CURL_STRICTER is
// defined), so the owners below can be named without <curl/curl.h>.
struct Curl_easy;
struct Curl_multi;
struct Curl_share;

namespace vz::platform {

/// Limits for each transfer.
struct CurlSettings
{
    std::chrono::milliseconds connectTimeout{15000};
    /// For the whole transfer, redirects included.
    std::chrono::milliseconds timeout{60000};
    /// A larger body (after gzip or deflate decoding) fails the transfer.
    std::uint64_t maxBodyBytes = 64ULL * 1024 * 1024;
};

/// Gives each libcurl handle back to libcurl.
struct CurlCleanup
{
    void operator()(Curl_easy* easy) const;
    void operator()(Curl_multi* multi) const;
    void operator()(Curl_share* share) const;
};

using EasyHandle = std::unique_ptr<Curl_easy, CurlCleanup>;
using MultiHandle = std::unique_ptr<Curl_multi, CurlCleanup>;
using ShareHandle = std::unique_ptr<Curl_share, CurlCleanup>;

/// Sets libcurl up (once per process; later calls only repeat the first answer) and makes a multi
/// handle. Throws std::runtime_error when either fails.
MultiHandle makeMultiHandle();

/// A pool of connections that the easy handles given it share in place of their multi handle's;
/// null when libcurl cannot make one.
ShareHandle makeConnectionPool();

/// An easy handle with the rules every transfer follows: http, https and file addresses; up to ten
/// redirects, between http and https only; gzip and deflate bodies decoded; a status of 400 or
/// more a failure; HTTP/2 over https where the server offers it; the timeouts of `limits`, and a
/// body announced larger than its cap refused. Null when libcurl cannot make or limit one.
/// Needs libcurl set up (makeMultiHandle()).
EasyHandle makeEasyHandle(const CurlSettings& limits);

/// "vodeZeva/<version>"
std::string userAgent();

/// The URL with spaces, control characters and bytes of 0x80 and over percent-encoded, as
/// browsers send addresses written with them; blanks around it are dropped. Nothing else changes.
/// libcurl's URL API (curl_url_set with CURLU_URLENCODE) is not used for this: the 7.88 that
/// Debian 12 ships writes lower-case hex, turns a blank in the query into "+", refuses control
/// characters outright and rewrites "/../" and an empty path, so the server would be asked for
/// another address than the page named.
std::string escapeUrl(const std::string& url);

} // namespace vz::platform
