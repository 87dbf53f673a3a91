#pragma once

#include <string>

namespace vz::ui {

/// The windows the main window opens to edit configuration files: the configuration window (with
/// its site detail and import windows) and the weekday table editor. The main window offers its
/// edit menus only when these windows exist.
class EditorWindows
{
public:
    virtual ~EditorWindows() = default;
    /// Whether the windows exist; without them the edit menus stay disabled.
    virtual bool available() const = 0;
    /// Shows the configuration window on `iniPath`; `fromDef` when the weekday table editor asks.
    virtual void openConfig(const std::u16string& iniPath, bool fromDef) = 0;
    /// Shows the weekday table editor.
    virtual void openDef() = 0;
    /// The program is ending: closes the configuration and site detail windows. The weekday table
    /// and import windows stay open, and the program ends when the last window closes.
    virtual void closeForShutdown() = 0;
};

/// No editor windows: the edit menus stay disabled.
class NullEditorWindows final : public EditorWindows
{
public:
    bool available() const override { return false; }
    void openConfig(const std::u16string&, bool) override {}
    void openDef() override {}
    void closeForShutdown() override {}
};

} // namespace vz::ui
