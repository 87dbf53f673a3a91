#include "weekday_table.h"

#include "run/file_helpers.h"
#include "run/text.h"
#include "run/text_file.h"

namespace vz::run {

int todayDigit(const platform::DateTime& date)
{
    // Counted with Sunday as day 1, less one; Sunday wraps round to 7.
    const int digit = (date.weekday + 1) - 1;
    return digit == 0 ? 7 : digit;
}

std::u16string weekdayTablePath(const RunState& state)
{
    return state.ProgramFolder + u"vodeZeva.def";
}

std::u16string weekdayTableText(const WeekdayTable& table)
{
    std::u16string out;
    for (int day = 0; day < 7; ++day) {
        out += text::number(day + 1) + u"\t" + table[static_cast<std::size_t>(day)] + u"\r\n";
    }
    return out;
}

std::u16string weekdayEntry(const std::u16string& line)
{
    const auto tab = line.find(u'\t');
    return tab == std::u16string::npos ? line : line.substr(tab + 1);
}

WeekdayLines parseWeekdayLines(const std::vector<std::u16string>& lines)
{
    WeekdayLines result;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::u16string& line = lines[i];
        if (!line.empty() && line.front() >= u'1' && line.front() <= u'7') {
            result.days[static_cast<std::size_t>(line.front() - u'1')] = weekdayEntry(line);
        } else if (result.otherLines++ == 0) {
            result.firstOtherLine = static_cast<int>(i) + 1;
        }
    }
    return result;
}

ReadDefResult readDef(RunState& state, Reporter& reporter, platform::EventYield& events, platform::Messages& messages,
                      const platform::Clock& clock)
{
    events.yieldEvents();
    const std::u16string path = weekdayTablePath(state);
    if (!FileExists(reporter, path)) {
        initdef(state, reporter, messages);
        return {};
    }
    std::string error;
    const auto lines = readTextLines(text::toPath(path), error);
    if (!lines) {
        return {false, text::fromUtf8(error)};
    }
    if (lines->empty()) {
        return {false, u"空のファイルです"};
    }
    state.CurrentIniPath = siteListOfDay(*lines, todayDigit(clock.now()), state.ProgramFolder);
    return {};
}

std::u16string siteListOfDay(const std::vector<std::u16string>& lines, int digit, const std::u16string& programFolder)
{
    const std::u16string* last = nullptr;
    for (const auto& line : lines) {
        last = &line;
        if (!line.empty() && line.front() == static_cast<char16_t>(u'0' + digit)) {
            break;
        }
    }
    return last ? siteListPathOf(*last, programFolder) : std::u16string();
}

std::u16string siteListPathOf(const std::u16string& line, const std::u16string& programFolder)
{
    // A damaged table must not name a file: whatever it names is created when missing.
    if (line.empty() || line.front() < u'1' || line.front() > u'7') {
        return {};
    }
    const auto tab = line.find(u'\t');
    if (tab == std::u16string::npos || tab + 1 == line.size()) {
        return {};
    }
    const std::u16string path = line.substr(tab + 1);
    // Relative to the program folder, not to wherever the program happened to be started.
    return path.front() == u'/' ? path : programFolder + path;
}

void initdef(RunState& state, Reporter& reporter, platform::Messages& messages)
{
    WeekdayTable table;
    table.fill(state.ProgramFolder + u"vodeZeva.ini");
    if (writeTextFile(reporter, weekdayTablePath(state), weekdayTableText(table), u"initdef")) {
        messages.information(u"vodeZeva.defが存在しませんでしたので標準値で作成しました。 ");
    }
    state.CurrentIniPath = state.ProgramFolder + u"vodeZeva.ini";
}

} // namespace vz::run
