#include "errors_window.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QVBoxLayout>

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
    m_errMsg->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Never trimmed: the list keeps every report for the life of the program.
    m_errMsg->setMaximumBlockCount(0);
    layout->addWidget(m_errMsg);
    resize(640, 240);
}

void ErrorsWindow::appendLine(const std::u16string& line)
{
    if (!isVisible()) {
        show();
    }
    // The line ends in CR LF (a " MAIN" report in two, which leaves an empty line); the text
    // box keeps lines by LF alone.
    QString text = toQt(line);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QTextCursor end(m_errMsg->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    m_errMsg->moveCursor(QTextCursor::End);
}

} // namespace vz::ui
