#pragma once

#include <memory>

#include "edit/config_editor.h"
#include "run/reporter.h"
#include "run/run_state.h"
#include "ui/config_detail_window.h"
#include "ui/config_window.h"
#include "ui/def_window.h"
#include "ui/editor_windows.h"
#include "ui/window_dialogs.h"

namespace vz::ui {

/// The editor windows the main window opens: the configuration window and its site detail window
/// over one configuration editor, which the import and weekday table windows share, and the
/// weekday table editor, which the configuration window refreshes after saving.
class EditorWindowSet final : public EditorWindows
{
public:
    /// Each window's message boxes and file dialogs come from `dialogs`, shown over that window.
    EditorWindowSet(run::RunState& state, run::Reporter& reporter, DialogHost& dialogs);
    ~EditorWindowSet() override;

    bool available() const override { return true; }
    /// Opens the configuration window on `iniPath`, or brings it to the front when it is open on
    /// that file already; open on another file with unsaved edits, it asks first.
    void openConfig(const std::u16string& iniPath, bool fromDef) override;
    void openDef() override;
    bool mayEnd() override;
    void closeForShutdown() override;
    void onSaved(std::function<void()> listener) override { m_saved = std::move(listener); }

    edit::ConfigEditor& editor() { return m_editor; }
    ConfigWindow& configWindow() { return *m_config; }
    ConfigDetailWindow& detailWindow() { return *m_detail; }
    DefWindow& defWindow() { return *m_def; }

private:
    /// Brings both windows in line with the model: shown and filled while open, hidden when closed.
    void sync();

    DialogHost& m_host;
    WindowDialogs m_configDialogs;
    WindowDialogs m_detailDialogs;
    WindowDialogs m_defDialogs;
    edit::ConfigEditor m_editor;
    std::unique_ptr<ConfigWindow> m_config;
    std::unique_ptr<ConfigDetailWindow> m_detail;
    std::unique_ptr<DefWindow> m_def;
    int m_raisedBinding = -1;
    std::function<void()> m_saved;
};

/// Hands the main window's requests on to editor windows made after it: they report through the
/// session the desktop holds. The edit menus count on them, so they must be in place before the
/// event loop and start-up run.
class LateEditorWindows final : public EditorWindows
{
public:
    bool available() const override { return true; }
    void openConfig(const std::u16string& iniPath, bool fromDef) override
    {
        if (target) {
            target->openConfig(iniPath, fromDef);
        }
    }
    void openDef() override
    {
        if (target) {
            target->openDef();
        }
    }
    bool mayEnd() override { return !target || target->mayEnd(); }
    void closeForShutdown() override
    {
        if (target) {
            target->closeForShutdown();
        }
    }
    void onSaved(std::function<void()> listener) override { m_saved = std::move(listener); }

    /// The windows the requests go to from now on.
    void setTarget(EditorWindows* windows)
    {
        target = windows;
        if (target && m_saved) {
            target->onSaved(m_saved);
        }
    }

    EditorWindows* target = nullptr;

private:
    std::function<void()> m_saved;
};

} // namespace vz::ui
