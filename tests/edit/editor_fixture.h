#pragma once

#include <string>

#include "edit/config_editor.h"
#include "fakes/fake_file_dialogs.h"
#include "fakes/fake_front_end.h"
#include "platform/cp932.h"
#include "run/reporter.h"
#include "run/text.h"
#include "run/weekday_table.h"
#include "support/temp_dir.h"

namespace vz::test {

/// A program folder with a weekday table and a configuration editor over fakes.
class EditorTest : public ::testing::Test
{
protected:
    EditorTest() : reporter(state, fe, fe), editor(state, reporter, fe, dialogs)
    {
        state.ProgramFolder = dir.folder();
        state.DataPath = dir.folder();
        writeDays(run::WeekdayTable{});
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
    void writeDays(const run::WeekdayTable& days)
    {
        writeBytes(dir.path() / "vodeZeva.def", platform::encodeCp932(run::weekdayTableText(days)).bytes);
    }
    /// Opens `name` holding the settings line and `sites` site lines named "S0", "S1", ….
    void openWithSites(const std::string& name, int sites)
    {
        std::u16string content = kSettings + u"\r\n";
        for (int i = 0; i < sites; ++i) {
            content += u"S" + text::number(i) + u"\thttp://a/\t\tf" + text::number(i) + u".html\r\n";
        }
        writeFile(name, content);
        editor.requestOpen(path(name), false);
    }

    static inline const std::u16string kSettings = u"J\t0\t/d/\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATETOPICFILES";

    TempDir dir;
    run::RunState state;
    FakeFrontEnd fe;
    FakeFileDialogs dialogs;
    run::Reporter reporter;
    edit::ConfigEditor editor;
};

} // namespace vz::test
