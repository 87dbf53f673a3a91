#pragma once

#include <QWidget>

#include "edit/error_list.h"
#include "run/front_end.h"

class QPlainTextEdit;

namespace vz::ui {

/// The error list, frmErrors: every report since the program started, one entry for each failure
/// with its causes on its line, under a dated heading for each run. It shows itself on the first
/// report without taking the keyboard from the window in use, and the main window's menu opens it
/// again.
class ErrorsWindow final : public QWidget, public run::ErrorSink
{
    Q_OBJECT

public:
    explicit ErrorsWindow(QWidget* parent = nullptr);

    void appendLine(const std::u16string& line) override;
    /// A run begins at `when`, then ends.
    void startRun(const std::u16string& when);
    void endRun();
    /// Why `url` could not be downloaded, beside its report.
    void downloadFailed(const std::u16string& url, const std::u16string& cause);
    /// Shows the list and brings it to the front, as asked for from the menu.
    void open();

signals:
    /// The list holds a report now.
    void listed();

private:
    void apply(const std::vector<edit::ErrorList::Change>& changes);

    edit::ErrorList m_list;
    QPlainTextEdit* m_errMsg = nullptr;
};

} // namespace vz::ui
