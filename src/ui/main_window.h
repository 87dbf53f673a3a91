#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <QMainWindow>

#include "platform/event_yield.h"
#include "platform/file_dialogs.h"
#include "platform/messages.h"
#include "run/front_end.h"
#include "run/run_state.h"
#include "ui/editor_windows.h"

class QAction;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;

namespace vz::session {
class JobsSetting;
class RunControl;
class Session;
} // namespace vz::session

namespace vz::ui {

class ElidedLabel;

/// The main window, frmBrowser: where a run is shown, the start/stop button, and the menus that
/// open the other windows. What the run tells the windows arrives here on the window thread.
class MainWindow final : public QMainWindow, public run::FrontEnd, public platform::EventYield
{
    Q_OBJECT

public:
    /// Closed while a run was going on: the window goes once the run has ended.
    bool closing() const { return m_closeWhenIdle; }

    /// Opens a local file or folder in the desktop's browser or file manager; calls `failed` with the
    /// reason, now or later, when that does not work out.
    using Opener = std::function<void(const QString& path, std::function<void(const QString& why)> failed)>;

    MainWindow(run::RunState& state, platform::Messages& messages, platform::FileDialogs& dialogs,
               EditorWindows& editors, QWidget* parent = nullptr);

    /// Connects the run: the start button, the Read menu and the number of downloads at once work
    /// from now on.
    void attachRun(session::Session& session, session::RunControl& control, session::JobsSetting& jobs);
    /// Checks the menu item of the number of downloads at once that the next run takes.
    void showJobs();
    /// The automatic run after start-up; the window closes after it unless it was stopped.
    void startAutomaticRun();
    void setOpener(Opener opener) { m_opener = std::move(opener); }
    /// Looks again at the site list file in use: 開始 is offered only when a run would gather
    /// something, and otherwise says why; 目次を開く when there is something to open.
    void checkReadiness();
    /// The error list holds a report: its menu item can open it from now on.
    void errorsListed();

    void setCaption(const std::u16string& fileName) override;
    void openConfig() override;
    void showRunField(run::RunField field, const std::u16string& text) override;
    void setStopCaption(const std::u16string& caption) override;
    void siteFinished(const std::u16string& indexName, int gathered, int failed) override;
    void articleStarted(int article, int articles) override;
    /// The cause of the last failed page download goes on the status line beside the counts, and
    /// beside its report in the error list.
    void downloadFailed(const std::u16string& url, const std::u16string& cause) override;
    /// The address waited for and for how long go on the status line while the wait lasts.
    void transferWaiting(const std::u16string& url, int seconds) override;
    void pictureStarted(const std::u16string& url) override;

    /// Where the windowed program waits for its own work (start-up, Init): only painting runs,
    /// so no click can start a second piece of work inside the first.
    void yieldEvents() override;

signals:
    /// The about box is asked for.
    void aboutRequested();
    /// The error list is asked for.
    void errorsRequested();
    /// A run is about to be prepared, then it has ended: the error list heads its reports.
    void runStarting();
    void runFinished();
    /// Why a page could not be downloaded.
    void pageFailed(const std::u16string& url, const std::u16string& cause);
    /// The window closes for good: the other windows close and temporary files go.
    void shuttingDown();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void editCurrentIni();
    void pressStartStop();
    void readIni();
    void chooseJobs(int jobs);
    void openContents();
    void runStarted();
    void runEnded(bool automatic);
    void updateControls();
    void showProgress();
    void showStatus();
    /// Forgets the run shown: another site list file is in use.
    void clearRun();

    run::RunState& m_state;
    platform::Messages& m_messages;
    platform::FileDialogs& m_dialogs;
    EditorWindows& m_editors;
    session::Session* m_session = nullptr;
    session::RunControl* m_control = nullptr;
    session::JobsSetting* m_jobs = nullptr;
    Opener m_opener;
    bool m_closeWhenIdle = false;
    /// The person agreed to lose the unsaved edits of the editor windows.
    bool m_endAgreed = false;
    bool m_hasRun = false;
    /// Why 開始 is not offered, when it is not.
    QString m_notReady;
    bool m_contentsThere = false;
    /// The stop button ended the run under way.
    bool m_stopped = false;

    int m_sitesTotal = 0;
    int m_siteNumber = 0;
    int m_article = 0;
    int m_articles = 0;
    int m_gathered = 0;
    int m_failed = 0;
    /// Pictures of the current article asked for so far.
    int m_pictures = 0;
    QString m_lastFailure;
    QString m_waiting;
    /// How the run ended, after the counts.
    QString m_ending;

    QLineEdit* m_siteName = nullptr;
    QLineEdit* m_url = nullptr;
    QLineEdit* m_url2 = nullptr;
    QLineEdit* m_file = nullptr;
    QPushButton* m_cmdStop = nullptr;
    QProgressBar* m_progress = nullptr;
    ElidedLabel* m_status = nullptr;
    QPushButton* m_cmdOpen = nullptr;
    QAction* m_mnuExit = nullptr;
    QMenu* m_mnuConfig = nullptr;
    QAction* m_mnuDef = nullptr;
    QAction* m_mnuEdit = nullptr;
    QAction* m_mnuRead = nullptr;
    QMenu* m_mnuJobs = nullptr;
    std::vector<std::pair<int, QAction*>> m_mnuJobsItems;
    QAction* m_mnuErrors = nullptr;
    QAction* m_mnuAbout = nullptr;
};

} // namespace vz::ui
