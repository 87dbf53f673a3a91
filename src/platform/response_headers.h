#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace vz::platform {

/// How transient failures are tried again.
struct RetrySettings
{
    /// Tries after the first.
    int extraTries = 2;
    /// The wait before the first try again; each later one waits twice as long.
    std::chrono::milliseconds firstWait{1000};
    /// No wait is longer, whatever the server asks for in Retry-After.
    std::chrono::milliseconds maxWait{30000};
};

/// The headers of a response the fetcher acts on, of the last response when redirects were
/// followed. Values a server could use to break the requests sent back (control characters,
/// overlong) are dropped.
struct ResponseHeaders
{
    std::string etag;
    std::string lastModified;
    std::string retryAfter;
    std::string date;

    /// Takes one header line as libcurl hands it over (CR LF included); a status line starts a
    /// new response and forgets the last one's.
    void take(std::string_view line);
};

/// Whether a failed transfer may succeed when tried again: a connection reset or cut short, a
/// time-out, 429 and every 5xx. Other 4xx never. (The fetcher tries a time-out again only when it
/// ran out while connecting.)
bool isTransient(int status);

/// The wait before try number `retry` (1 for the first retry): Retry-After when it gives one
/// (seconds, or a date read against the response's own Date), else the doubling wait, at most
/// the cap and never negative.
std::chrono::milliseconds retryWait(int retry, const ResponseHeaders& headers, const RetrySettings& settings);

} // namespace vz::platform
