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
    void closeForShutdown() override { ++closedForShutdown; }

    std::vector<std::pair<std::u16string, bool>> configs;
    int defOpened = 0;
    int closedForShutdown = 0;
};

} // namespace vz::test
