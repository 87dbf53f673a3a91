#pragma once

#include <array>
#include <functional>
#include <string>

#include "platform/file_dialogs.h"
#include "platform/messages.h"
#include "run/reporter.h"
#include "run/run_state.h"
#include "run/weekday_table.h"

namespace vz::edit {

/// The preset name of the site list file dialogs: "*.ini" in the current folder.
std::u16string iniPatternInCurrentFolder();

/// Which weekdays use the edited site list file: the weekday table as read when the configuration
/// window opened (DayIni), the always-use box and the seven day boxes, and how saving writes them
/// back. Days are indexed 0 (Monday) to 6 (Sunday).
class DayAssignment
{
public:
    DayAssignment(run::RunState& state, run::Reporter& reporter, platform::Messages& messages,
                  platform::FileDialogs& dialogs);

    void FillDayNames();
    /// Reads the weekday table and sets the boxes from it. Reports under "Config" and returns false
    /// when the table cannot be read.
    bool ReadDayAssignment();
    void AssignAllDays();
    /// Writes the weekday table from the boxes; runs before the site list file is written, so a
    /// copy taken here is the file as it was before editing. `LoadDef` reloads the weekday table
    /// editor when the assignment took another way than planned.
    void SaveDayAssignment(const std::function<void()>& LoadDef);

    /// The save dialog for a site list file (save as, the copy of the unedited file).
    static platform::FileDialogRequest saveIniRequest();

    run::WeekdayTable DayIni;
    std::array<std::u16string, 7> DayName;
    bool chkChgIni = false;
    std::array<bool, 7> chkDay{};

private:
    bool writeTable();

    run::RunState& m_state;
    run::Reporter& m_reporter;
    platform::Messages& m_messages;
    platform::FileDialogs& m_dialogs;
};

} // namespace vz::edit
