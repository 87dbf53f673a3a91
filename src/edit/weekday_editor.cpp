#include "weekday_editor.h"

#include <stdexcept>

#include "edit/day_assignment.h"
#include "run/file_helpers.h"
#include "run/text.h"
#include "run/text_file.h"

namespace vz::edit {

namespace {

std::size_t index(int key)
{
    if (key < 1 || key > 7) {
        throw std::out_of_range("weekday key");
    }
    return static_cast<std::size_t>(key - 1);
}

} // namespace

WeekdayEditor::WeekdayEditor(run::RunState& state, run::Reporter& reporter) : m_state(state), m_reporter(reporter) {}

std::optional<run::WeekdayLines> WeekdayEditor::readTable(const std::u16string& procedure)
{
    const std::u16string path = run::weekdayTablePath(m_state);
    std::string error;
    const auto lines = run::readTextLines(text::toPath(path), error);
    if (!lines) {
        m_reporter.DispErr(text::fromUtf8(error), path, u"", procedure);
        return std::nullopt;
    }
    if (lines->empty()) {
        m_reporter.DispErr(u"曜日毎の.iniファイルの定義が空です", path, u"", procedure);
        return std::nullopt;
    }
    return run::parseWeekdayLines(*lines);
}

void WeekdayEditor::load()
{
    m_rows = {};
    m_savedDef = {};
    const auto read = readTable(u"frmDef");
    if (!read) {
        return;
    }
    if (read->otherLines > 0) {
        // Such a line names no day; the days that the other lines name are still shown.
        m_reporter.DispErr(text::number(read->firstOtherLine) + u"行目が曜日の数字（1から7）で始まっていません",
                           run::weekdayTablePath(m_state), u"", u"frmDef");
    }
    for (std::size_t day = 0; day < 7; ++day) {
        if (read->days[day]) {
            m_savedDef[day] = *read->days[day];
            m_rows[day] = *read->days[day];
        }
    }
    m_shownFromFile = m_rows;
}

void WeekdayEditor::LoadDef()
{
    const auto read = readTable(u"LoadDef");
    if (!read) {
        return;
    }
    for (std::size_t day = 0; day < 7; ++day) {
        if (read->days[day]) {
            m_rows[day] = *read->days[day];
        }
    }
    m_shownFromFile = m_rows;
}

const std::u16string& WeekdayEditor::row(int key) const
{
    return m_rows[index(key)];
}

void WeekdayEditor::setRow(int key, std::u16string text)
{
    m_rows[index(key)] = std::move(text);
}

bool WeekdayEditor::browse(int key, platform::FileDialogs& dialogs)
{
    static const char16_t* const kDays[] = {u"月", u"火", u"水", u"木", u"金", u"土", u"日"};
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogRequest::Kind::Open;
    request.title = std::u16string(kDays[index(key)]) + u"曜日に使う.iniファイルを選択";
    request.initialName = iniPattern(m_rows[index(key)], m_state.ProgramFolder);
    const auto result = dialogs.show(request);
    // A dismissed dialog would otherwise leave its preset pattern in the row.
    if (result.outcome != platform::FileDialogResult::Outcome::Chosen) {
        return false;
    }
    m_rows[index(key)] = result.path;
    return true;
}

bool WeekdayEditor::canEdit(int key) const
{
    return !text::Trim(m_rows[index(key)]).empty();
}

const std::u16string& WeekdayEditor::edit(int key)
{
    m_state.EditIniPath = m_rows[index(key)];
    return m_state.EditIniPath;
}

bool WeekdayEditor::write(const run::WeekdayTable& table, const std::u16string& procedure)
{
    if (!run::writeTextFile(m_reporter, run::weekdayTablePath(m_state), run::weekdayTableText(table), procedure)) {
        return false;
    }
    m_shownFromFile = table;
    return true;
}

bool WeekdayEditor::save(platform::Messages& messages)
{
    if (!messages.askOkCancel(u"変更を保存してもいいですか?")) {
        return false;
    }
    return write(m_rows, u"cmdSave");
}

bool WeekdayEditor::cancel()
{
    if (!write(m_savedDef, u"cmdCancel")) {
        return false;
    }
    m_rows = m_savedDef;
    return true;
}

} // namespace vz::edit
