#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/event_yield.h"
#include "platform/messages.h"
#include "run/reporter.h"
#include "run/run_state.h"

namespace vz::run {

/// Weekday digit of a date: "1" Monday to "7" Sunday.
int todayDigit(const platform::DateTime& date);

/// The weekday table file beside the program.
std::u16string weekdayTablePath(const RunState& state);

/// One site list path per weekday, index 0 for "1" (Monday) to 6 for "7" (Sunday).
using WeekdayTable = std::array<std::u16string, 7>;
/// The file's text: seven lines "digit TAB path", "1" to "7".
std::u16string weekdayTableText(const WeekdayTable& table);

/// What a line of the table gives its day: the text after its first TAB, or the whole line when
/// it has none.
std::u16string weekdayEntry(const std::u16string& line);

/// The days a table's lines name. Only a line's first character is its key; a later line for the
/// same day replaces an earlier one, and lines beginning with anything but "1" to "7" name no day.
struct WeekdayLines
{
    std::array<std::optional<std::u16string>, 7> days; ///< index 0 for "1"; empty when no line names the day
    int otherLines = 0;                                ///< lines that name no day
    int firstOtherLine = 0;                            ///< 1-based number of the first of them, 0 when none
};
WeekdayLines parseWeekdayLines(const std::vector<std::u16string>& lines);

/// What reading today's entry can go wrong with.
struct ReadDefResult
{
    bool ok = true;
    std::u16string error; ///< description when the file could not be read
};

/// The site list path a weekday table line names: what follows its first TAB, taken from the
/// program folder when relative. Empty for a line that does not begin with a digit 1 to 7 or
/// names nothing.
std::u16string siteListPathOf(const std::u16string& line, const std::u16string& programFolder);

/// The site list path the table's lines name for the weekday `digit` (1 to 7): the first line
/// beginning with that digit, else the last line.
std::u16string siteListOfDay(const std::vector<std::u16string>& lines, int digit, const std::u16string& programFolder);

/// Sets CurrentIniPath from today's line of the weekday table, creating the table first when it
/// is missing. Only the first character of a line is its key; when no line matches, the last line
/// of the file is used. A line that names no path leaves CurrentIniPath empty.
ReadDefResult readDef(RunState& state, Reporter& reporter, platform::EventYield& events, platform::Messages& messages,
                      const platform::Clock& clock);

/// Writes the default table (every day: the program folder's "vodeZeva.ini") and points
/// CurrentIniPath at that file.
void initdef(RunState& state, Reporter& reporter, platform::Messages& messages);

} // namespace vz::run
