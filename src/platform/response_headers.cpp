#include "response_headers.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include <curl/curl.h>

namespace vz::platform {

namespace {

/// Longer validators are no validators: they would go back to the server in every request.
constexpr std::size_t kMaxHeaderValue = 512;

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
               return lower(x) == lower(y);
           });
}

/// Seconds since 1970 of an HTTP date; -1 when it is none.
long long dateSeconds(const std::string& text)
{
    return text.empty() ? -1 : static_cast<long long>(curl_getdate(text.c_str(), nullptr));
}

} // namespace

void ResponseHeaders::take(std::string_view line)
{
    if (line.substr(0, 5) == "HTTP/") {
        *this = ResponseHeaders{};
        return;
    }
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) {
        return;
    }
    const std::string_view name = trimmed(line.substr(0, colon));
    const std::string_view value = trimmed(line.substr(colon + 1));
    if (value.size() > kMaxHeaderValue ||
        std::any_of(value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
        return;
    }
    for (auto [known, field] : {std::pair{"ETag", &etag}, std::pair{"Last-Modified", &lastModified},
                                std::pair{"Retry-After", &retryAfter}, std::pair{"Date", &date}}) {
        if (sameName(name, known)) {
            *field = std::string(value);
        }
    }
}

bool isTransient(int status)
{
    switch (status) {
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return true;
    default:
        return status == 429 || (status >= 500 && status <= 599);
    }
}

std::chrono::milliseconds retryWait(int retry, const ResponseHeaders& headers, const RetrySettings& settings)
{
    using std::chrono::milliseconds;
    const int doublings = std::clamp(retry - 1, 0, 20);
    milliseconds wait = settings.firstWait * (1LL << doublings);
    const std::string& after = headers.retryAfter;
    long long seconds = -1;
    if (!after.empty() && std::all_of(after.begin(), after.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        // A number too large to read asks for longer than any cap.
        if (std::from_chars(after.data(), after.data() + after.size(), seconds).ec != std::errc{}) {
            seconds = std::numeric_limits<long long>::max();
        }
    } else if (const long long when = dateSeconds(after), now = dateSeconds(headers.date); when >= 0 && now >= 0) {
        seconds = std::max(when - now, 0LL);
    }
    if (seconds >= 0) {
        wait = seconds > settings.maxWait.count() / 1000 ? settings.maxWait : milliseconds(seconds * 1000);
    }
    return std::clamp(wait, milliseconds(0), settings.maxWait);
}

} // namespace vz::platform
