#pragma once

#include <string>

#include <QMainWindow>

#include "platform/file_dialogs.h"
#include "platform/messages.h"
#include "run/run_state.h"
#include "ui/editor_windows.h"

class QAction;
class QLineEdit;
class QMenu;
class QPushButton;

namespace vz::ui {

/// The main window, frmBrowser: where a run is shown, the start/stop button, and the menus that
/// open the other windows.
class MainWindow final : public QMainWindow
{
    Q_OBJECT

public:
    MainWindow(run::RunState& state, platform::Messages& messages, platform::FileDialogs& dialogs,
               EditorWindows& editors, QWidget* parent = nullptr);

    /// "vodeZeva  :  " followed by the file name.
    void setFileCaption(const std::u16string& fileName);

private:
    void buildControls();
    void buildMenus();
    void editCurrentIni();

    run::RunState& m_state;
    platform::Messages& m_messages;
    platform::FileDialogs& m_dialogs;
    EditorWindows& m_editors;

    QLineEdit* m_siteName = nullptr;
    QLineEdit* m_url = nullptr;
    QLineEdit* m_url2 = nullptr;
    QLineEdit* m_file = nullptr;
    QPushButton* m_cmdStop = nullptr;
    QAction* m_mnuExit = nullptr;
    QMenu* m_mnuConfig = nullptr;
    QAction* m_mnuDef = nullptr;
    QAction* m_mnuEdit = nullptr;
    QAction* m_mnuRead = nullptr;
    QAction* m_mnuAbout = nullptr;
};

} // namespace vz::ui
