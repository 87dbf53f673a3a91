#pragma once

#include <string>

#include "edit/day_assignment.h"
#include "fakes/fake_file_dialogs.h"
#include "fakes/fake_front_end.h"
#include "platform/cp932.h"
#include "run/reporter.h"
#include "run/text.h"
#include "run/weekday_table.h"
#include "support/temp_dir.h"

namespace vz::test {

/// A program folder for the editors, with scripted boxes and dialogs.
struct EditorFiles
{
    EditorFiles() : reporter(state, fe, fe)
    {
        state.ProgramFolder = dir.folder();
        state.DataPath = dir.folder();
    }

    std::u16string path(const std::string& name) const { return dir.folder() + text::fromUtf8(name); }
    void writeFile(const std::string& name, const std::u16string& content)
    {
        writeBytes(dir.path() / name, platform::encodeCp932(content).bytes);
    }
    std::u16string readFile(const std::string& name) const
    {
        return platform::decodeCp932(readBytes(dir.path() / name));
    }
    void writeDays(const run::WeekdayTable& days) { writeFile("vodeZeva.def", run::weekdayTableText(days)); }
    run::WeekdayTable daysOnDisk()
    {
        edit::DayAssignment days(state, reporter, fe, dialogs);
        days.ReadDayAssignment();
        return days.DayIni;
    }

    TempDir dir;
    run::RunState state;
    FakeFrontEnd fe;
    FakeFileDialogs dialogs;
    run::Reporter reporter;
};

} // namespace vz::test
