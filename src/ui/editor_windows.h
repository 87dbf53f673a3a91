#pragma once

#include <functional>
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
    /// The program is about to end: asks over each editor window that holds unsaved changes
    /// whether they may go. False when the person keeps them, and the program stays.
    virtual bool mayEnd() = 0;
    /// The program ends: closes every editor window without asking again, so none is left
    /// working on a configuration without the main window.
    virtual void closeForShutdown() = 0;
    /// `listener` is called each time the configuration window has written a site list file.
    virtual void onSaved(std::function<void()> listener) { (void)listener; }
};

/// No editor windows: the edit menus stay disabled.
class NullEditorWindows final : public EditorWindows
{
public:
    bool available() const override { return false; }
    void openConfig(const std::u16string&, bool) override {}
    void openDef() override {}
    bool mayEnd() override { return true; }
    void closeForShutdown() override {}
};

} // namespace vz::ui
