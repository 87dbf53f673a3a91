#pragma once

#include <array>
#include <string>

#include "platform/file_dialogs.h"
#include "platform/messages.h"
#include "run/reporter.h"
#include "run/run_state.h"
#include "run/weekday_table.h"

namespace vz::edit {

/// The preset name of the site list file dialogs: "*.ini" in the folder of the site list file
/// `beside`, or in `fallback` (the program folder) when that folder is not there, or at last in
/// the current folder.
std::u16string iniPattern(const std::u16string& beside, const std::u16string& fallback);

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

    /// What saving the assignment leaves to do once the site list file is written.
    struct Planned
    {
        /// Whether the weekday table is to be written (a failing dialog leaves it as it is).
        bool write = true;
        /// Whether the weekday table editor should read it again: the assignment took another way
        /// than the boxes said.
        bool reload = false;
    };
    /// Settles the weekday table from the boxes without writing it: asks about the days the file
    /// no longer serves and keeps a copy of the unedited file when the person wants one. It runs
    /// before the site list file is written, so the copy is the file as it was before editing.
    /// A day is given the copy only when the copy was written.
    Planned PlanDayAssignment();
    /// Writes the weekday table as planned; only after the site list file it names was written.
    bool writeTable();

    /// The save dialog for a site list file (save as, the copy of the unedited file), in the
    /// folder of the file `beside`.
    platform::FileDialogRequest saveIniRequest(const std::u16string& beside) const;

    run::WeekdayTable DayIni;
    std::array<std::u16string, 7> DayName;
    bool chkChgIni = false;
    std::array<bool, 7> chkDay{};

private:
    run::RunState& m_state;
    run::Reporter& m_reporter;
    platform::Messages& m_messages;
    platform::FileDialogs& m_dialogs;
};

} // namespace vz::edit
