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

std::tm toTm(const DateTime& d)
{
    std::tm t{};
    t.tm_year = d.year - 1900;
    t.tm_mon = d.month - 1;
    t.tm_mday = d.day;
    t.tm_hour = d.hour;
    t.tm_min = d.minute;
    t.tm_sec = d.second;
    t.tm_isdst = -1;
    return t;
}

// SOURCE_DATE_EPOCH when it is set to a number.
bool fixedEpoch(long long& seconds)
{
    const char* fixed = std::getenv("SOURCE_DATE_EPOCH");
    if (!fixed || !*fixed) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    seconds = std::strtoll(fixed, &end, 10);
    return errno == 0 && end && *end == '\0';
}

} // namespace

DateTime Clock::nowUtc() const
{
    std::tm local = toTm(now());
    const std::time_t value = std::mktime(&local);
    return fromEpochUtc(static_cast<long long>(value));
}

long long toEpoch(const DateTime& utc)
{
    std::tm t = toTm(utc);
    t.tm_isdst = 0;
    return static_cast<long long>(timegm(&t));
}

DateTime fromEpochUtc(long long seconds)
{
    const auto value = static_cast<std::time_t>(seconds);
    std::tm t{};
    gmtime_r(&value, &t);
    return fromTm(t);
}

DateTime SystemClock::now() const
{
    if (long long seconds = 0; fixedEpoch(seconds)) {
        return fromEpochUtc(seconds);
    }
    const std::time_t value = std::time(nullptr);
    std::tm t{};
    localtime_r(&value, &t);
    return fromTm(t);
}

DateTime SystemClock::nowUtc() const
{
    // SOURCE_DATE_EPOCH is UTC already.
    if (long long seconds = 0; fixedEpoch(seconds)) {
        return fromEpochUtc(seconds);
    }
    return fromEpochUtc(static_cast<long long>(std::time(nullptr)));
}

} // namespace vz::platform
