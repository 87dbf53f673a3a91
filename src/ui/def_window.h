#pragma once

#include <array>
#include <string>

#include <QWidget>

#include "edit/weekday_editor.h"
#include "platform/file_dialogs.h"
#include "platform/messages.h"
#include "ui/editor_windows.h"

class QLineEdit;
class QPushButton;

namespace vz::ui {

/// The weekday table editor, frmDef: one row per weekday with the day's site list file, a browse
/// and an edit button per row, and Save and Cancel. The rows and the file belong to WeekdayEditor;
/// this window shows them and forwards clicks.
class DefWindow final : public QWidget
{
    Q_OBJECT

public:
    /// `editors` opens the configuration window on a row's file.
    DefWindow(run::RunState& state, run::Reporter& reporter, platform::Messages& messages,
              platform::FileDialogs& dialogs, EditorWindows& editors, QWidget* parent = nullptr);

    /// Loads the editor from the weekday table and shows it; an editor already on screen is only
    /// brought to the front.
    void open();
    /// Re-reads the weekday table into the rows of an editor on screen. A closed editor stays
    /// closed: it reads the file anew when it is opened.
    void LoadDef();

    const edit::WeekdayEditor& model() const { return m_model; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showRows();

    edit::WeekdayEditor m_model;
    platform::Messages& m_messages;
    platform::FileDialogs& m_dialogs;
    EditorWindows& m_editors;
    std::array<QLineEdit*, 7> m_ini{};
    std::array<QPushButton*, 7> m_cmdEdit{};
};

} // namespace vz::ui
