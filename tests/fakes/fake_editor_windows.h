#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ui/editor_windows.h"

namespace vz::test {

/// Records which editor windows the main window asked for.
class FakeEditorWindows : public ui::EditorWindows
{
public:
    bool available() const override { return true; }
    void openConfig(const std::u16string& iniPath, bool fromDef) override { configs.emplace_back(iniPath, fromDef); }
    void openDef() override { ++defOpened; }
    bool mayEnd() override
    {
        ++askedToEnd;
        return maySayEnd;
    }
    void closeForShutdown() override { ++closedForShutdown; }

    std::vector<std::pair<std::u16string, bool>> configs;
    int defOpened = 0;
    int closedForShutdown = 0;
    int askedToEnd = 0;
    /// What mayEnd answers: false as if the person kept unsaved changes.
    bool maySayEnd = true;
};

} // namespace vz::test
