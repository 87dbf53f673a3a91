#pragma once

#include <memory>
#include <string>

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include "platform/messages.h"

namespace vz::ui {

/// Message boxes as the windows show them: modal over the window given, titled with the program's
/// name. Windows take platform::Messages, so tests put a scripted fake in place of this.
class QtMessages final : public platform::Messages
{
public:
    enum class Kind { Information, Alert, OkCancel, YesNo };

    explicit QtMessages(QWidget* parent = nullptr) : m_parent(parent) {}

    /// The window the boxes are shown over; a closed window leaves them without one.
    void setParentWindow(QWidget* parent) { m_parent = parent; }

    void information(const std::u16string& text) override;
    void alert(const std::u16string& text) override;
    bool askOkCancel(const std::u16string& text) override;
    bool askYesNo(const std::u16string& text) override;

    /// The box for one kind of message, ready to be shown.
    static std::unique_ptr<QMessageBox> makeBox(Kind kind, const std::u16string& text, QWidget* parent = nullptr);

private:
    QMessageBox::StandardButton show(Kind kind, const std::u16string& text);

    QPointer<QWidget> m_parent;
};

} // namespace vz::ui
