#include "main_window.h"

#include <QAction>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/qt_text.h"

namespace vz::ui {

namespace {

QLineEdit* readOnlyBox(const char* name)
{
    auto* box = new QLineEdit;
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(true);
    box->setMinimumWidth(420);
    return box;
}

} // namespace

MainWindow::MainWindow(run::RunState& state, platform::Messages& messages, platform::FileDialogs& dialogs,
                       EditorWindows& editors, QWidget* parent)
    : QMainWindow(parent), m_state(state), m_messages(messages), m_dialogs(dialogs), m_editors(editors)
{
    setObjectName(QStringLiteral("frmBrowser"));
    buildControls();
    buildMenus();
    setFileCaption(u"vodeZeva.def");
}

void MainWindow::setFileCaption(const std::u16string& fileName)
{
    setWindowTitle(QStringLiteral("vodeZeva  :  ") + toQt(fileName));
}

void MainWindow::buildControls()
{
    auto* central = new QWidget;
    auto* column = new QVBoxLayout(central);
    auto* form = new QFormLayout;
    m_siteName = readOnlyBox("SiteName");
    m_url = readOnlyBox("URL");
    m_url2 = readOnlyBox("URL2");
    m_file = readOnlyBox("File");
    form->addRow(m_siteName);
    form->addRow(QStringLiteral("インデックスページ"), m_url);
    form->addRow(QStringLiteral("ダウンロード中のページ"), m_url2);
    form->addRow(QStringLiteral("ファイル名"), m_file);
    column->addLayout(form);

    m_cmdStop = new QPushButton(QStringLiteral("開始"));
    m_cmdStop->setObjectName(QStringLiteral("cmdStop"));
    // Nothing to start until the run is wired to the window.
    m_cmdStop->setEnabled(false);
    column->addWidget(m_cmdStop, 0, Qt::AlignRight);
    setCentralWidget(central);
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
    // Reading a file needs the run wired to the window.
    m_mnuRead->setEnabled(false);

    m_mnuDef->setEnabled(m_editors.available());
    m_mnuEdit->setEnabled(m_editors.available());
    connect(m_mnuDef, &QAction::triggered, this, [this] { m_editors.openDef(); });
    connect(m_mnuEdit, &QAction::triggered, this, &MainWindow::editCurrentIni);

    m_mnuAbout = menuBar()->addAction(QStringLiteral("バージョン情報（&A）"));
    m_mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    // The about box does not exist yet.
    m_mnuAbout->setEnabled(false);
}

void MainWindow::editCurrentIni()
{
    m_state.EditIniPath = m_state.CurrentIniPath;
    m_editors.openConfig(m_state.EditIniPath, false);
}

} // namespace vz::ui
