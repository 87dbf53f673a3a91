#pragma once

#include <QWidget>

#include "run/front_end.h"

class QPlainTextEdit;

namespace vz::ui {

/// The error list, frmErrors: every report since the program started, one line each. It shows
/// itself on the first report without taking the keyboard from the window in use.
class ErrorsWindow final : public QWidget, public run::ErrorSink
{
    Q_OBJECT

public:
    explicit ErrorsWindow(QWidget* parent = nullptr);

    void appendLine(const std::u16string& line) override;

private:
    QPlainTextEdit* m_errMsg = nullptr;
};

} // namespace vz::ui
