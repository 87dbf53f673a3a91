#include "def_window.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialog_keys.h"
#include "ui/japanese_text_room.h"
#include "ui/named_button.h"
#include "ui/qt_text.h"

namespace vz::ui {

namespace {

const char16_t* const kDays[] = {u"月", u"火", u"水", u"木", u"金", u"土", u"日"};

} // namespace

DefWindow::DefWindow(run::RunState& state, run::Reporter& reporter, platform::Messages& messages,
                     platform::FileDialogs& dialogs, EditorWindows& editors, QWidget* parent)
    : QWidget(parent, Qt::Window), m_model(state, reporter), m_messages(messages), m_dialogs(dialogs),
      m_editors(editors)
{
    setObjectName(QStringLiteral("frmDef"));
    setWindowTitle(QStringLiteral("Definition of .ini files"));

    auto* column = new QVBoxLayout(this);
    auto* heading = new QLabel(QStringLiteral("曜日毎の.iniファイルの定義"));
    heading->setObjectName(QStringLiteral("lblHeading"));
    column->addWidget(heading);

    auto* grid = new QGridLayout;
    for (int key = 1; key <= 7; ++key) {
        const QString number = QString::number(key);
        auto* box = new QLineEdit;
        box->setObjectName(QStringLiteral("ini") + number);
        box->setMinimumWidth(360);
        box->setToolTip(QStringLiteral("%1曜日に集めるときの.iniファイル（空ならその日は集めません）")
                            .arg(QString::fromStdU16String(kDays[key - 1])));
        m_ini[static_cast<std::size_t>(key - 1)] = box;
        connect(box, &QLineEdit::textChanged, this, [this, key](const QString& text) {
            m_model.setRow(key, fromQt(text));
            m_cmdEdit[static_cast<std::size_t>(key - 1)]->setEnabled(m_model.canEdit(key));
        });

        auto* browse = namedButton(QStringLiteral("cmdBrowse") + number, QStringLiteral("参照"));
        browse->setToolTip(QStringLiteral(".iniファイルを選びます"));
        connect(browse, &QPushButton::clicked, this, [this, key] {
            if (m_model.browse(key, m_dialogs)) {
                showRows();
            }
        });
        auto* editButton = namedButton(QStringLiteral("cmdEdit") + number, QStringLiteral("編集"));
        editButton->setEnabled(false);
        editButton->setToolTip(QStringLiteral("この.iniファイルを設定画面で開きます"));
        m_cmdEdit[static_cast<std::size_t>(key - 1)] = editButton;
        connect(editButton, &QPushButton::clicked, this, [this, key] {
            if (m_model.canEdit(key)) {
                m_editors.openConfig(m_model.edit(key), true);
            }
        });

        const int line = key - 1;
        grid->addWidget(new QLabel(QString::fromStdU16String(kDays[line])), line, 0);
        grid->addWidget(box, line, 1);
        grid->addWidget(browse, line, 2);
        grid->addWidget(editButton, line, 3);
    }
    column->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* cmdCancel = namedButton(QStringLiteral("cmdCancel"), QStringLiteral("取り消し"));
    auto* cmdSave = namedButton(QStringLiteral("cmdSave"), QStringLiteral("保存"));
    cmdCancel->setToolTip(QStringLiteral("この画面を開いたときの割り当てに戻して閉じます"));
    cmdSave->setToolTip(QStringLiteral("この割り当てを保存して閉じます"));
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdSave);
    column->addLayout(buttons);
    column->setSizeConstraint(QLayout::SetMinAndMaxSize);
    bindDialogKeys(*this, cmdSave, cmdCancel);
    makeRoomForJapanese(*this);

    connect(cmdSave, &QPushButton::clicked, this, [this] {
        if (m_model.save(m_messages)) {
            close();
        }
    });
    connect(cmdCancel, &QPushButton::clicked, this, [this] {
        if (m_model.cancel()) {
            close();
        }
    });
}

void DefWindow::open()
{
    if (!isVisible()) {
        m_model.load();
        showRows();
    }
    show();
    raise();
    activateWindow();
}

void DefWindow::LoadDef()
{
    if (!isVisible()) {
        return;
    }
    m_model.LoadDef();
    showRows();
}

void DefWindow::closeEvent(QCloseEvent* event)
{
    // The close box writes nothing; rows typed or picked since the table was read are asked about.
    if (m_model.hasUnsavedChanges() && !m_messages.askOkCancel(u"変更を保存せずこの画面を閉じてもいいですか?")) {
        event->ignore();
        return;
    }
    event->accept();
}

void DefWindow::showRows()
{
    for (int key = 1; key <= 7; ++key) {
        QLineEdit* box = m_ini[static_cast<std::size_t>(key - 1)];
        box->setText(toQt(m_model.row(key)));
        // The beginning of a long path; the file's name is at its end, in the tool tip.
        box->setCursorPosition(0);
    }
}

} // namespace vz::ui
