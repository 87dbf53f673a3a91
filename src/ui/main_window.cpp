#include "main_window.h"

#include <algorithm>

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "edit/day_assignment.h"
#include "edit/run_readiness.h"
#include "session/run_driver.h"
#include "run/text.h"
#include "session/jobs_setting.h"
#include "session/run_control.h"
#include "session/session.h"
#include "ui/desktop_opener.h"
#include "ui/dialog_keys.h"
#include "ui/elided_label.h"
#include "ui/japanese_text_room.h"
#include "ui/qt_text.h"

namespace vz::ui {

namespace {

QLineEdit* readOnlyBox(const char* name, const QString& tip)
{
    auto* box = new QLineEdit;
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(true);
    // Its text can be selected and copied with the mouse; the keyboard goes to the buttons.
    box->setFocusPolicy(Qt::ClickFocus);
    box->setMinimumWidth(280);
    box->setToolTip(tip);
    return box;
}

constexpr int kProgressSteps = 1000;

} // namespace

MainWindow::MainWindow(run::RunState& state, platform::Messages& messages, platform::FileDialogs& dialogs,
                       EditorWindows& editors, QWidget* parent)
    : QMainWindow(parent), m_state(state), m_messages(messages), m_dialogs(dialogs), m_editors(editors),
      m_opener(openWithDesktop)
{
    setObjectName(QStringLiteral("frmBrowser"));
    buildControls();
    buildMenus();
    makeRoomForJapanese(*this);
    // Room for an address at first; a longer one is cut in its box, never widening the window.
    resize(std::max(560, sizeHint().width()), sizeHint().height());
    setCaption(u"vodeZeva.def");
    updateControls();
}

void MainWindow::attachRun(session::Session& session, session::RunControl& control, session::JobsSetting& jobs)
{
    m_session = &session;
    m_control = &control;
    m_jobs = &jobs;
    showJobs();
    updateControls();
}

void MainWindow::showJobs()
{
    // A number given on the command line that the menu does not offer checks no item.
    for (const auto& [jobs, item] : m_mnuJobsItems) {
        item->setChecked(m_jobs && m_jobs->jobs() == jobs);
    }
}

void MainWindow::chooseJobs(int jobs)
{
    // The menu is out of reach while a run goes on: a run keeps the number it started with.
    if (m_session && m_jobs && m_control && m_control->phase() == session::RunPhase::Idle) {
        m_jobs->choose(jobs, m_session->reporter());
    }
    showJobs();
}

void MainWindow::setCaption(const std::u16string& fileName)
{
    setWindowTitle(QStringLiteral("vodeZeva  :  ") + toQt(fileName));
    // The caption follows the site list file in use, which the Edit menu opens.
    updateControls();
}

void MainWindow::openConfig()
{
    if (m_editors.available()) {
        m_editors.openConfig(m_state.EditIniPath, false);
    }
}

void MainWindow::showRunField(run::RunField field, const std::u16string& text)
{
    QLineEdit* box = field == run::RunField::SiteName ? m_siteName
                     : field == run::RunField::URL    ? m_url
                     : field == run::RunField::URL2   ? m_url2
                                                      : m_file;
    box->setText(toQt(text));
    // The beginning of a long address says more than its end; the whole shows as the tool tip.
    box->setCursorPosition(0);
    box->setToolTip(toQt(text));
    if (field == run::RunField::SiteName && !text.empty()) {
        ++m_siteNumber;
        m_article = 0;
        m_articles = 0;
        showProgress();
    }
}

void MainWindow::setStopCaption(const std::u16string& caption)
{
    m_cmdStop->setText(toQt(caption));
}

void MainWindow::siteFinished(const std::u16string&, int gathered, int failed)
{
    m_gathered += gathered;
    m_failed += failed;
    showProgress();
}

void MainWindow::articleStarted(int article, int articles)
{
    m_article = article;
    m_articles = articles;
    m_pictures = 0;
    showProgress();
}

void MainWindow::downloadFailed(const std::u16string& url, const std::u16string& cause)
{
    m_lastFailure = QStringLiteral("最後の失敗 %1（%2）").arg(toQt(cause), toQt(url));
    showProgress();
    emit pageFailed(url, cause);
}

void MainWindow::pictureStarted(const std::u16string&)
{
    ++m_pictures;
    showStatus();
}

void MainWindow::transferWaiting(const std::u16string& url, int seconds)
{
    m_waiting = url.empty() ? QString() : QStringLiteral("待機中 %1 秒（%2）").arg(seconds).arg(toQt(url));
    showStatus();
}

void MainWindow::yieldEvents()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Unsaved edits of the editor windows are asked about once, before anything ends.
    if (!m_endAgreed && !m_editors.mayEnd()) {
        event->ignore();
        return;
    }
    m_endAgreed = true;
    if (m_control && m_control->phase() != session::RunPhase::Idle) {
        // The run abandons what it fetches and closes its page; the window closes then.
        m_closeWhenIdle = true;
        m_control->stop();
        setStopCaption(gather::kStartCaption);
        m_status->setText(QStringLiteral("中断して終了します"));
        updateControls();
        event->ignore();
        return;
    }
    emit shuttingDown();
    event->accept();
}

void MainWindow::changeEvent(QEvent* event)
{
    // Coming back from another window (or from another program), the site list file may have
    // changed under the window.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        checkReadiness();
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::buildControls()
{
    auto* central = new QWidget;
    auto* column = new QVBoxLayout(central);
    auto* form = new QFormLayout;
    m_siteName = readOnlyBox("SiteName", QStringLiteral("集めているサイト"));
    m_url = readOnlyBox("URL", QStringLiteral("そのサイトのインデックスページ"));
    m_url2 = readOnlyBox("URL2", QStringLiteral("ダウンロード中の記事のページ"));
    m_file = readOnlyBox("File", QStringLiteral("記事を書き込むファイル"));
    form->addRow(m_siteName);
    form->addRow(QStringLiteral("インデックスページ"), m_url);
    form->addRow(QStringLiteral("ダウンロード中のページ"), m_url2);
    form->addRow(QStringLiteral("ファイル名"), m_file);
    column->addLayout(form);

    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setRange(0, kProgressSteps);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setToolTip(QStringLiteral("実行の進み具合（サイトと記事の数から）"));
    column->addWidget(m_progress);
    // However long the address of a failure, the line never widens the window.
    m_status = new ElidedLabel;
    m_status->setObjectName(QStringLiteral("lblStatus"));
    column->addWidget(m_status);

    auto* buttons = new QHBoxLayout;
    m_cmdOpen = new QPushButton(QStringLiteral("目次を開く"));
    m_cmdOpen->setObjectName(QStringLiteral("cmdOpen"));
    m_cmdOpen->setToolTip(QStringLiteral("目次ページ（ないときはデータフォルダ）を開きます"));
    connect(m_cmdOpen, &QPushButton::clicked, this, &MainWindow::openContents);
    m_cmdStop = new QPushButton(toQt(gather::kStartCaption));
    m_cmdStop->setObjectName(QStringLiteral("cmdStop"));
    connect(m_cmdStop, &QPushButton::clicked, this, &MainWindow::pressStartStop);
    buttons->addWidget(m_cmdOpen);
    buttons->addStretch();
    buttons->addWidget(m_cmdStop);
    column->addLayout(buttons);
    // Extra height goes below the controls, not between them.
    column->addStretch();
    setCentralWidget(central);
    // Escape must not end the program.
    bindDialogKeys(*this, m_cmdStop, nullptr, false);
    m_cmdStop->setFocus();
}

void MainWindow::buildMenus()
{
    m_mnuExit = menuBar()->addAction(QStringLiteral("終了（&E）"));
    m_mnuExit->setObjectName(QStringLiteral("mnuExit"));
    connect(m_mnuExit, &QAction::triggered, this, &QWidget::close);

    m_mnuConfig = menuBar()->addMenu(QStringLiteral("設定（&C）"));
    m_mnuConfig->setObjectName(QStringLiteral("mnuConfig"));
    m_mnuDef = m_mnuConfig->addAction(QStringLiteral("曜日毎の.iniファイルの設定（&D）"));
    m_mnuDef->setObjectName(QStringLiteral("mnuDef"));
    m_mnuEdit = m_mnuConfig->addAction(QStringLiteral("現在の.iniファイルの編集（&E）"));
    m_mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    m_mnuRead = m_mnuConfig->addAction(QStringLiteral(".iniファイルの読み込み（&R）"));
    m_mnuRead->setObjectName(QStringLiteral("mnuRead"));
    connect(m_mnuDef, &QAction::triggered, this, [this] { m_editors.openDef(); });
    connect(m_mnuEdit, &QAction::triggered, this, &MainWindow::editCurrentIni);
    connect(m_mnuRead, &QAction::triggered, this, &MainWindow::readIni);

    m_mnuJobs = m_mnuConfig->addMenu(QStringLiteral("同時ダウンロード数（&J）"));
    m_mnuJobs->setObjectName(QStringLiteral("mnuJobs"));
    m_mnuJobs->setToolTipsVisible(true);
    m_mnuJobs->menuAction()->setToolTip(
        QStringLiteral("次の実行から、この数までのページと画像を同時にダウンロードします"));
    auto* group = new QActionGroup(m_mnuJobs);
    // The check follows the setting, so the group only draws the items as one choice.
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const int jobs : {1, 2, 4, 8}) {
        QAction* item = m_mnuJobs->addAction(QStringLiteral("&%1").arg(jobs));
        item->setObjectName(QStringLiteral("mnuJobs%1").arg(jobs));
        item->setCheckable(true);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, jobs] { chooseJobs(jobs); });
        m_mnuJobsItems.emplace_back(jobs, item);
    }

    m_mnuErrors = menuBar()->addAction(QStringLiteral("エラー一覧（&L）"));
    m_mnuErrors->setObjectName(QStringLiteral("mnuErrors"));
    m_mnuErrors->setEnabled(false);
    connect(m_mnuErrors, &QAction::triggered, this, &MainWindow::errorsRequested);

    m_mnuAbout = menuBar()->addAction(QStringLiteral("バージョン情報（&A）"));
    m_mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    connect(m_mnuAbout, &QAction::triggered, this, &MainWindow::aboutRequested);
}

void MainWindow::updateControls()
{
    const session::RunPhase phase = m_control ? m_control->phase() : session::RunPhase::Idle;
    const bool attached = m_session != nullptr;
    const bool idle = phase == session::RunPhase::Idle;
    // A stopped run is still unwinding: no start until it has ended. A run that would gather
    // nothing is not offered; the status line says why.
    m_cmdStop->setEnabled(attached && phase != session::RunPhase::Stopping && (!idle || m_notReady.isEmpty()));
    m_cmdStop->setToolTip(idle ? (m_notReady.isEmpty() ? QStringLiteral("サイトを集め始めます") : m_notReady)
                               : QStringLiteral("今の記事が終わったところで止めます"));
    // Init must not reload the run's state while a run walks it.
    m_mnuRead->setEnabled(attached && idle);
    m_mnuJobs->setEnabled(attached && idle);
    m_mnuDef->setEnabled(m_editors.available());
    // With no site list file for today, Edit would open the configuration window on no file.
    m_mnuEdit->setEnabled(m_editors.available() && !text::Trim(m_state.CurrentIniPath).empty());
    m_cmdOpen->setEnabled(idle && (m_hasRun || m_contentsThere));
}

void MainWindow::checkReadiness()
{
    if (!m_session || (m_control && m_control->phase() != session::RunPhase::Idle)) {
        return;
    }
    const auto reason = edit::nothingToRun(m_state);
    const QString notReady = reason ? toQt(*reason) : QString();
    m_contentsThere = !m_state.DataPath.empty() && QFileInfo(toQt(m_state.DataPath + u"index.html")).isFile();
    if (notReady != m_notReady) {
        m_notReady = notReady;
        showStatus();
    }
    updateControls();
}

void MainWindow::errorsListed()
{
    m_mnuErrors->setEnabled(true);
}

void MainWindow::editCurrentIni()
{
    if (text::Trim(m_state.CurrentIniPath).empty()) {
        return;
    }
    m_state.EditIniPath = m_state.CurrentIniPath;
    m_editors.openConfig(m_state.EditIniPath, false);
}

void MainWindow::pressStartStop()
{
    if (!m_control) {
        return;
    }
    switch (m_control->phase()) {
    case session::RunPhase::Running:
        if (m_control->stop()) {
            setStopCaption(gather::kStartCaption);
            m_stopped = true;
            m_ending = QStringLiteral("中断しています");
            showStatus();
        }
        break;
    case session::RunPhase::Stopping:
        break;
    case session::RunPhase::Idle:
        // Init runs inside start(), so the sites are counted after it; the run's first reports
        // wait in the queue until this slot returns.
        emit runStarting();
        if (m_control->start([this](bool) { runEnded(false); })) {
            runStarted();
        } else {
            emit runFinished();
            checkReadiness();
        }
        break;
    }
    updateControls();
}

void MainWindow::startAutomaticRun()
{
    if (!m_control) {
        return;
    }
    emit runStarting();
    if (m_control->startAutomatic([this](bool) { runEnded(true); })) {
        runStarted();
    } else {
        emit runFinished();
    }
    updateControls();
}

void MainWindow::runStarted()
{
    m_sitesTotal = 0;
    if (m_session) {
        for (const auto& site : m_session->values().SiteTable.rows) {
            m_sitesTotal += site.IndexName.empty() ? 0 : 1;
        }
    }
    m_siteNumber = m_article = m_articles = m_gathered = m_failed = m_pictures = 0;
    m_lastFailure.clear();
    m_waiting.clear();
    m_stopped = false;
    m_ending.clear();
    m_progress->setValue(0);
    m_status->clear();
}

void MainWindow::runEnded(bool automatic)
{
    m_hasRun = true;
    emit runFinished();
    m_ending = m_stopped ? QStringLiteral("中断しました") : QStringLiteral("終了");
    checkReadiness();
    updateControls();
    showStatus();
    if (m_closeWhenIdle || (automatic && m_state.AutoStart)) {
        close();
    }
}

void MainWindow::showProgress()
{
    // The notice that the window closes after the current article stays until it does.
    if (m_sitesTotal <= 0 || m_closeWhenIdle) {
        return;
    }
    const double done = (m_siteNumber > 0 ? m_siteNumber - 1 : 0) +
                        (m_articles > 0 ? static_cast<double>(m_article) / m_articles : 0.0);
    m_progress->setValue(static_cast<int>(done / m_sitesTotal * kProgressSteps));
    showStatus();
}

void MainWindow::showStatus()
{
    if (m_closeWhenIdle) {
        return;
    }
    QStringList parts;
    if (m_sitesTotal > 0) {
        parts << QStringLiteral("サイト %1/%2　記事 %3/%4　取得 %5　失敗 %6")
                     .arg(m_siteNumber)
                     .arg(m_sitesTotal)
                     .arg(m_article)
                     .arg(m_articles)
                     .arg(m_gathered)
                     .arg(m_failed);
    }
    if (m_pictures > 0 && m_ending.isEmpty()) {
        parts << QStringLiteral("画像 %1 枚目").arg(m_pictures);
    }
    if (!m_waiting.isEmpty()) {
        parts << m_waiting;
    }
    // How the run ended comes before the last failure, whose address may be cut.
    if (!m_ending.isEmpty()) {
        parts << m_ending;
    }
    if (!m_lastFailure.isEmpty()) {
        parts << m_lastFailure;
    }
    const bool idle = !m_control || m_control->phase() == session::RunPhase::Idle;
    if (idle && !m_notReady.isEmpty()) {
        parts << m_notReady;
    }
    m_status->setText(parts.join(QStringLiteral("　")));
}

void MainWindow::clearRun()
{
    for (QLineEdit* box : {m_siteName, m_url, m_url2, m_file}) {
        box->clear();
        box->setToolTip(QString());
    }
    m_sitesTotal = m_siteNumber = m_article = m_articles = m_gathered = m_failed = m_pictures = 0;
    m_lastFailure.clear();
    m_waiting.clear();
    m_ending.clear();
    m_stopped = false;
    m_hasRun = false;
    m_progress->setValue(0);
    showStatus();
}

void MainWindow::readIni()
{
    if (!m_session || !m_control || m_control->phase() != session::RunPhase::Idle) {
        return;
    }
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogRequest::Kind::Open;
    request.title = u".iniファイルの読み込み";
    request.initialName = edit::iniPattern(m_state.CurrentIniPath, m_state.ProgramFolder);
    request.defaultExtension = u"ini";
    const platform::FileDialogResult chosen = m_dialogs.show(request);
    switch (chosen.outcome) {
    case platform::FileDialogResult::Outcome::Cancelled:
        return;
    case platform::FileDialogResult::Outcome::Failed:
        m_messages.alert(u"ファイルを選べませんでした: " + chosen.error);
        return;
    case platform::FileDialogResult::Outcome::Chosen:
        break;
    }
    // What the window showed belongs to the file before.
    clearRun();
    m_session->readIni(chosen.path);
    checkReadiness();
}

void MainWindow::openContents()
{
    const std::u16string target = session::contentsPageOrFolder(m_state);
    QPointer<MainWindow> window(this);
    m_opener(toQt(target), [window, target](const QString& why) {
        if (window) {
            window->m_messages.alert(u"開けませんでした: " + target + u"（" + fromQt(why) + u"）");
        }
    });
}

} // namespace vz::ui
