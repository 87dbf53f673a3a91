#include "clock.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>

namespace vz::platform {
namespace {

DateTime fromTm(const std::tm& t)
{
    return DateTime{t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, t.tm_wday};
}

} // namespace

DateTime fromEpochUtc(long long seconds)
{
    const auto value = static_cast<std::time_t>(seconds);
    std::tm t{};
    gmtime_r(&value, &t);
    return fromTm(t);
}

DateTime SystemClock::now() const
{
    if (const char* fixed = std::getenv("SOURCE_DATE_EPOCH"); fixed && *fixed) {
        char* end = nullptr;
        errno = 0;
        const long long seconds = std::strtoll(fixed, &end, 10);
        if (errno == 0 && end && *end == '\0') {
            return fromEpochUtc(seconds);
        }
    }
    const std::time_t value = std::time(nullptr);
    std::tm t{};
    localtime_r(&value, &t);
    return fromTm(t);
}

} // namespace vz::platform
