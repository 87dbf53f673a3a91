#pragma once

#include <gtest/gtest.h>

#include "edit/config_editor.h"
#include "edit/editor_files.h"

namespace vz::test {

/// A configuration editor over fakes, in a program folder with an empty weekday table.
class EditorTest : public ::testing::Test, public EditorFiles
{
protected:
    EditorTest() : editor(state, reporter, fe, dialogs) { writeDays(run::WeekdayTable{}); }

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

    edit::ConfigEditor editor;
};

} // namespace vz::test
