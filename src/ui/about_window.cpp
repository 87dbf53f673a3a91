#include "about_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/library_versions.h"
#include "ui/dialog_keys.h"
#include "ui/program_look.h"
#include "version.h"

namespace vz::ui {

QString AboutWindow::versionText()
{
    return QStringLiteral("ﾊﾞｰｼﾞｮﾝ %1.%2.%3J").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionPatch);
}

AboutWindow::AboutWindow(platform::Messages& messages, platform::ProgramStarter& starter,
                         platform::EnvironmentLookup environment, QWidget* parent)
    : QWidget(parent, Qt::Dialog), m_messages(messages), m_starter(starter), m_environment(std::move(environment))
{
    setObjectName(QStringLiteral("frmAbout"));
    const QString title = QString::fromUtf8(kProgramName);
    setWindowTitle(title + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"));

    auto* icon = new QLabel;
    icon->setPixmap(programIcon().pixmap(48, 48));
    auto* lblTitle = new QLabel(title);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblTitle->setFont(big);
    auto* lblVersion = new QLabel(versionText());
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    auto* lblDescription = new QLabel(QStringLiteral("インターネット上のWebサイトのニュースを一括してダウンロードし、"
                                                     "Pocket PCで読みやすい形に書き出すソフトです。"));
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(true);
    auto* lblLibraries =
        new QLabel(QStringLiteral("Qt %1 / ICU %2 / libcurl %3")
                       .arg(QString::fromLatin1(qVersion()), QString::fromStdString(platform::icuVersion()),
                            QString::fromStdString(platform::curlVersion())));
    lblLibraries->setObjectName(QStringLiteral("lblLibraries"));
    lblLibraries->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    auto* cmdOK = new QPushButton(QStringLiteral("OK"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    auto* cmdSysInfo = new QPushButton(QStringLiteral("ｼｽﾃﾑ情報(&S)..."));
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    connect(cmdOK, &QPushButton::clicked, this, &QWidget::close);
    bindDialogKeys(*this, cmdOK, cmdOK);
    connect(cmdSysInfo, &QPushButton::clicked, this,
            [this] { platform::StartSysInfo(m_environment, m_starter, m_messages); });

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(lblTitle, 0, 1);
    grid->addWidget(lblVersion, 1, 1);
    grid->addWidget(lblDescription, 2, 1);
    grid->addWidget(lblLibraries, 3, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    grid->addLayout(buttons, 0, 2, 4, 1);
    grid->setColumnStretch(1, 1);
    setMinimumWidth(480);
}

} // namespace vz::ui
