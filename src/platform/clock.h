#pragma once

namespace vz::platform {

/// A moment of the calendar, as the date-dependent steps of a run read it.
struct DateTime
{
    int year = 1970;
    int month = 1; ///< 1..12
    int day = 1;   ///< 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 0; ///< 0 Sunday .. 6 Saturday
};

class Clock
{
public:
    virtual ~Clock() = default;
    virtual DateTime now() const = 0;
    /// The same moment in UTC, for what is dated for readers everywhere (an e-book's modification
    /// time). By default now() read as the machine's local time.
    virtual DateTime nowUtc() const;
};

/// The machine's local time, or SOURCE_DATE_EPOCH (read as UTC) when that is set, so that a run
/// can be reproduced.
class SystemClock final : public Clock
{
public:
    DateTime now() const override;
    DateTime nowUtc() const override;
};

/// Calendar fields of a count of seconds since 1970 in UTC.
DateTime fromEpochUtc(long long seconds);
/// Seconds since 1970 of a moment given in UTC.
long long toEpoch(const DateTime& utc);

} // namespace vz::platform
