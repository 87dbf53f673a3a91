#include "day_assignment.h"

#include <filesystem>

#include "run/file_helpers.h"
#include "run/string_helpers.h"
#include "run/text.h"
#include "run/text_file.h"

namespace vz::edit {

DayAssignment::DayAssignment(run::RunState& state, run::Reporter& reporter, platform::Messages& messages,
                             platform::FileDialogs& dialogs)
    : m_state(state), m_reporter(reporter), m_messages(messages), m_dialogs(dialogs)
{
}

void DayAssignment::FillDayNames()
{
    DayName = {u"月曜日", u"火曜日", u"水曜日", u"木曜日", u"金曜日", u"土曜日", u"日曜日"};
}

bool DayAssignment::ReadDayAssignment()
{
    DayIni.fill(std::u16string());
    chkChgIni = false;
    chkDay.fill(false);
    const std::u16string path = run::weekdayTablePath(m_state);
    std::string error;
    const auto lines = run::readTextLines(text::toPath(path), error);
    if (!lines) {
        m_reporter.DispErr(text::fromUtf8(error), path, u"", u"Config");
        return false;
    }
    const run::WeekdayLines read = run::parseWeekdayLines(*lines);
    for (std::size_t k = 0; k < 7; ++k) {
        DayIni[k] = read.days[k].value_or(std::u16string());
    }
    chkChgIni = !m_state.IniChosenByHand;
    for (std::size_t k = 1; k < 7; ++k) {
        if (DayIni[k] != DayIni[0]) {
            chkChgIni = false;
        }
    }
    if (!chkChgIni) {
        for (std::size_t k = 0; k < 7; ++k) {
            chkDay[k] = DayIni[k] == m_state.EditIniPath;
        }
    }
    return true;
}

void DayAssignment::AssignAllDays()
{
    DayIni.fill(m_state.EditIniPath);
}

std::u16string iniPattern(const std::u16string& beside, const std::u16string& fallback)
{
    std::error_code ec;
    for (const std::u16string& candidate : {beside, fallback}) {
        const auto folder = text::toPath(candidate).parent_path();
        if (!candidate.empty() && folder.is_absolute() && std::filesystem::is_directory(folder, ec)) {
            return run::withFolderEnd(text::fromPath(folder)) + u"*.ini";
        }
    }
    const auto here = std::filesystem::current_path(ec);
    return run::withFolderEnd(ec ? std::u16string() : text::fromPath(here)) + u"*.ini";
}

platform::FileDialogRequest DayAssignment::saveIniRequest(const std::u16string& beside) const
{
    return {platform::FileDialogRequest::Kind::Save, u"名前を付けて保存", iniPattern(beside, m_state.ProgramFolder),
            u"ini"};
}

bool DayAssignment::writeTable()
{
    return run::writeTextFile(m_reporter, run::weekdayTablePath(m_state), run::weekdayTableText(DayIni),
                              u"SaveDayAssignment");
}

DayAssignment::Planned DayAssignment::PlanDayAssignment()
{
    const std::u16string& edited = m_state.EditIniPath;
    if (chkChgIni) {
        DayIni.fill(edited);
        return {};
    }
    std::u16string list;
    for (std::size_t k = 0; k < 7; ++k) {
        if (chkDay[k]) {
            DayIni[k] = edited;
        } else if (DayIni[k] == edited) {
            DayIni[k].clear();
            list = text::Trim(list) + u" " + DayName[k];
        }
    }
    if (list.empty()) {
        return {};
    }
    const std::u16string noFile = list + u"に割り当てられている .iniファイルがありません。";
    const std::u16string noDownload =
        noFile + list + u"にはダウンロードしません。ダウンロードするためには.iniファイルの設定を行ってください";
    if (!m_messages.askYesNo(noFile + u" 編集前のファイルを別名で保存し、" + list + u"に割り当てますか?")) {
        m_messages.alert(noDownload);
        return {};
    }
    platform::FileDialogRequest request = saveIniRequest(edited);
    request.title = u"編集前の.iniファイルを別名で保存";
    const platform::FileDialogResult chosen = m_dialogs.show(request);
    switch (chosen.outcome) {
    case platform::FileDialogResult::Outcome::Chosen: {
        run::FileCopy(m_reporter, edited, chosen.path);
        // A day named after a copy that is not there would gather nothing without a word.
        std::error_code ec;
        const auto source = text::toPath(edited), copy = text::toPath(chosen.path);
        if (!std::filesystem::is_regular_file(copy, ec) ||
            std::filesystem::file_size(copy, ec) != std::filesystem::file_size(source, ec) || ec) {
            return {true, true};
        }
        for (auto& day : DayIni) {
            if (day.empty()) {
                day = chosen.path;
            }
        }
        return {};
    }
    case platform::FileDialogResult::Outcome::Cancelled:
        m_messages.alert(noDownload);
        return {true, true};
    case platform::FileDialogResult::Outcome::Failed:
        // The weekday table stays as it was on disk; the editor shows it again.
        m_reporter.DispErr(chosen.error, edited, u"", u"SaveDayAssignment");
        break;
    }
    return {false, true};
}

} // namespace vz::edit
