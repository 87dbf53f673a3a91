// Handles as distinct types (struct Curl_easy and so on) rather than void, the types the owners
// in the header name.
#define CURL_STRICTER

#include "curl_handles.h"

#include <stdexcept>
#include <string>

#include <curl/curl.h>

#include "version.h"

namespace vz::platform {

void CurlCleanup::operator()(Curl_easy* easy) const
{
    curl_easy_cleanup(easy);
}

void CurlCleanup::operator()(Curl_multi* multi) const
{
    curl_multi_cleanup(multi);
}

void CurlCleanup::operator()(Curl_share* share) const
{
    curl_share_cleanup(share);
}

ShareHandle makeConnectionPool()
{
    ShareHandle pool(curl_share_init());
    if (pool && curl_share_setopt(pool.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT) != CURLSHE_OK) {
        pool.reset();
    }
    return pool;
}

MultiHandle makeMultiHandle()
{
    // Once per process, before the first handle; never undone, as other handles may still live.
    static const CURLcode setUp = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (setUp != CURLE_OK) {
        throw std::runtime_error("libcurl を初期化できません（" + std::to_string(setUp) + "）");
    }
    MultiHandle multi(curl_multi_init());
    if (!multi) {
        throw std::runtime_error("libcurl のマルチハンドルを作れません");
    }
    return multi;
}

EasyHandle makeEasyHandle(const CurlSettings& limits)
{
    EasyHandle easy(curl_easy_init());
    if (!easy) {
        return easy;
    }
    CURL* handle = easy.get();
    const std::string agent = userAgent();
    curl_easy_setopt(handle, CURLOPT_USERAGENT, agent.c_str()); // libcurl keeps its own copy
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(handle, CURLOPT_AUTOREFERER, 1L);
    // A page may send the program to another site, never into the local file system; a handle
    // that cannot be held to that is not used at all.
    if (curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https,file") != CURLE_OK ||
        curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") != CURLE_OK) {
        return nullptr;
    }
    curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
    curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connectTimeout.count()));
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.timeout.count()));
    // Names are looked up again for each new connection (a connection is kept for the transfers
    // after it): libcurl's cache of names is walked after every transfer, so a run over
    // thousands of sites would pay for each site again and again.
    curl_easy_setopt(handle, CURLOPT_DNS_CACHE_TIMEOUT, 0L);
    // Refuses a body whose announced length is too large before any of it arrives.
    curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBodyBytes));
    return easy;
}

std::string userAgent()
{
    return std::string(kProgramName) + "/" + kVersion;
}

std::string escapeUrl(const std::string& url)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t first = 0;
    std::size_t last = url.size();
    while (first < last && isBlank(url[first])) {
        ++first;
    }
    while (last > first && isBlank(url[last - 1])) {
        --last;
    }
    std::string out;
    out.reserve(last - first);
    for (std::size_t i = first; i < last; ++i) {
        const auto b = static_cast<unsigned char>(url[i]);
        if (b <= 0x20 || b >= 0x7F) {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

} // namespace vz::platform
