#include "desktop.h"

#include "run/reporter.h"

namespace vz::ui {

Desktop::Desktop(run::RunState& state, DesktopServices services)
    : m_state(state), m_clock(services.clock), m_editors(services.editors), m_mainDialogs(services.dialogs),
      m_aboutDialogs(services.dialogs), m_window(state, m_mainDialogs, m_mainDialogs, services.editors),
      m_about(m_aboutDialogs, services.starter, services.environment), m_thread(&m_window),
      m_runMessages(m_mainDialogs, m_window), m_calls({m_window, m_errors, m_runMessages, m_window}, m_thread),
      m_session(state, services.clock, services.fetcher, {m_calls, m_calls, m_calls, m_calls}),
      m_control(m_session.driver(), m_thread)
{
    m_mainDialogs.setWindow(&m_window);
    m_aboutDialogs.setWindow(&m_about);
    m_window.attachRun(m_session, m_control, m_jobs);
    QObject::connect(&m_window, &MainWindow::aboutRequested, &m_about, [this] {
        m_about.show();
        m_about.raise();
        m_about.activateWindow();
    });
    QObject::connect(&m_window, &MainWindow::errorsRequested, &m_errors, &ErrorsWindow::open);
    QObject::connect(&m_errors, &ErrorsWindow::listed, &m_window, &MainWindow::errorsListed);
    QObject::connect(&m_window, &MainWindow::runStarting, &m_errors,
                     [this] { m_errors.startRun(run::dateTimeText(m_clock.now())); });
    QObject::connect(&m_window, &MainWindow::runFinished, &m_errors, &ErrorsWindow::endRun);
    QObject::connect(&m_window, &MainWindow::pageFailed, &m_errors, &ErrorsWindow::downloadFailed);
    m_editors.onSaved([this] { m_window.checkReadiness(); });
    QObject::connect(&m_window, &MainWindow::shuttingDown, &m_window, [this] {
        m_errors.close();
        m_about.close();
        m_editors.closeForShutdown();
    });
}

void Desktop::start(const std::u16string& programFolder, const std::optional<std::u16string>& iniFile,
                    std::optional<int> jobs)
{
    m_jobs.load(programFolder, jobs);
    m_placer.load(programFolder);
    m_window.showJobs();
    m_window.show();
    const gather::StartUpResult started = m_session.startUp(programFolder, iniFile);
    m_window.checkReadiness();
    if (started == gather::StartUpResult::Ready && m_state.AutoStart) {
        m_window.startAutomaticRun();
    }
}

} // namespace vz::ui
