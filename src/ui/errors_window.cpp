#include "errors_window.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include "ui/dialog_keys.h"
#include "ui/qt_text.h"

namespace vz::ui {

ErrorsWindow::ErrorsWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmErrors"));
    setWindowTitle(QStringLiteral("Errors"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_errMsg = new QPlainTextEdit;
    m_errMsg->setObjectName(QStringLiteral("ErrMsg"));
    m_errMsg->setReadOnly(true);
    // A failure with its causes is one long line; it wraps so that all of it can be read.
    m_errMsg->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Never trimmed: the list keeps every report for the life of the program.
    m_errMsg->setMaximumBlockCount(0);
    layout->addWidget(m_errMsg);
    bindDialogKeys(*this, nullptr, nullptr);
    resize(640, 240);
}

void ErrorsWindow::appendLine(const std::u16string& line)
{
    if (!isVisible()) {
        show();
    }
    apply(m_list.append(line));
    emit listed();
}

void ErrorsWindow::startRun(const std::u16string& when)
{
    apply(m_list.startRun(when));
}

void ErrorsWindow::endRun()
{
    m_list.endRun();
}

void ErrorsWindow::downloadFailed(const std::u16string& url, const std::u16string& cause)
{
    apply(m_list.downloadFailed(url, cause));
}

void ErrorsWindow::open()
{
    show();
    raise();
    activateWindow();
}

void ErrorsWindow::apply(const std::vector<edit::ErrorList::Change>& changes)
{
    for (const auto& change : changes) {
        QTextCursor cursor(m_errMsg->document());
        cursor.movePosition(QTextCursor::End);
        if (change.replacesLast) {
            cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
        } else if (!m_errMsg->document()->isEmpty()) {
            cursor.insertBlock();
        }
        cursor.insertText(toQt(change.text));
    }
    if (!changes.empty()) {
        m_errMsg->moveCursor(QTextCursor::End);
    }
}

} // namespace vz::ui
