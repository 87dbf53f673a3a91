#pragma once

#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/fetcher.h"
#include "platform/file_dialogs.h"
#include "platform/messages.h"
#include "platform/program_starter.h"
#include "platform/system_info.h"
#include "run/run_state.h"
#include "session/jobs_setting.h"
#include "session/run_control.h"
#include "session/session.h"
#include "session/window_calls.h"
#include "ui/about_window.h"
#include "ui/editor_windows.h"
#include "ui/errors_window.h"
#include "ui/main_window.h"
#include "ui/qt_window_thread.h"
#include "ui/window_placer.h"
#include "ui/window_dialogs.h"

namespace vz::ui {

/// What the windowed program is given from outside: the real services in the program, fakes
/// in tests.
struct DesktopServices
{
    const platform::Clock& clock;
    /// Every page and picture of a run; how many at once is the session's values().jobs.
    platform::Fetcher& fetcher;
    /// Message boxes and file dialogs, each shown over the window that asks.
    DialogHost& dialogs;
    EditorWindows& editors;
    platform::ProgramStarter& starter;
    platform::EnvironmentLookup environment = platform::processEnvironment;
};

/// The run's message boxes. A run stopped because the window was closed ends without telling that
/// the download has finished: nobody asked for the run to end, only for the program to.
class RunMessages final : public platform::Messages
{
public:
    RunMessages(platform::Messages& inner, const MainWindow& window) : m_inner(inner), m_window(window) {}
    void information(const std::u16string& text) override
    {
        if (!m_window.closing()) {
            m_inner.information(text);
        }
    }
    void alert(const std::u16string& text) override { m_inner.alert(text); }
    bool askOkCancel(const std::u16string& text) override { return m_inner.askOkCancel(text); }
    bool askYesNo(const std::u16string& text) override { return m_inner.askYesNo(text); }

private:
    platform::Messages& m_inner;
    const MainWindow& m_window;
};

/// The windowed program: the main window, the error list and the about box, wired to one
/// session whose run goes on on a thread of its own.
class Desktop
{
public:
    /// A run still going on as the desktop goes is stopped and waited for by the run control.
    Desktop(run::RunState& state, DesktopServices services);
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    /// Start-up: shows the main window, then today's site list file (or `iniFile`, picked by
    /// hand), Init, and the automatic run when the file asks for one. `jobs` from the command line
    /// overrides the number of downloads at once kept in the program folder, for this start only.
    void start(const std::u16string& programFolder, const std::optional<std::u16string>& iniFile,
               std::optional<int> jobs = std::nullopt);

    MainWindow& mainWindow() { return m_window; }
    ErrorsWindow& errorsWindow() { return m_errors; }
    AboutWindow& aboutWindow() { return m_about; }
    session::Session& session() { return m_session; }
    session::RunControl& runControl() { return m_control; }

private:
    run::RunState& m_state;
    const platform::Clock& m_clock;
    /// Before the windows, so it sees them from their first showing to their last hiding.
    WindowPlacer m_placer;
    EditorWindows& m_editors;
    WindowDialogs m_mainDialogs;
    WindowDialogs m_aboutDialogs;
    ErrorsWindow m_errors;
    MainWindow m_window;
    AboutWindow m_about;
    QtWindowThread m_thread;
    RunMessages m_runMessages;
    session::WindowCalls m_calls;
    session::Session m_session;
    session::RunControl m_control;
    session::JobsSetting m_jobs{m_session.values().jobs};
};

} // namespace vz::ui
