#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/file_dialogs.h"
#include "platform/messages.h"
#include "ui/qt_file_dialogs.h"
#include "ui/qt_messages.h"

namespace vz::ui {

/// Shows message boxes and file dialogs over a given window: Qt's in the program, a script in tests.
class DialogHost
{
public:
    virtual ~DialogHost() = default;
    /// The message boxes, shown over `window`; none shows them over no window.
    virtual platform::Messages& messagesOver(QWidget* window) = 0;
    virtual platform::FileDialogs& fileDialogsOver(QWidget* window) = 0;
};

/// Qt's message boxes and file dialogs, each modal over the window that asks.
class QtDialogHost final : public DialogHost
{
public:
    platform::Messages& messagesOver(QWidget* window) override
    {
        m_messages.setParentWindow(window);
        return m_messages;
    }
    platform::FileDialogs& fileDialogsOver(QWidget* window) override
    {
        m_dialogs.setParentWindow(window);
        return m_dialogs;
    }

private:
    QtMessages m_messages;
    QtFileDialogs m_dialogs;
};

/// The message boxes and file dialogs of one window. They come up over it and give it the keyboard
/// back when answered, so answering never raises another window over the one that asked. Made
/// before its window, which the window's owner names once it is built.
class WindowDialogs final : public platform::Messages, public platform::FileDialogs
{
public:
    explicit WindowDialogs(DialogHost& host, QWidget* window = nullptr) : m_host(host), m_window(window) {}

    void setWindow(QWidget* window) { m_window = window; }
    QWidget* window() const { return m_window.data(); }

    void information(const std::u16string& text) override { messages().information(text); }
    void alert(const std::u16string& text) override { messages().alert(text); }
    bool askOkCancel(const std::u16string& text) override { return messages().askOkCancel(text); }
    bool askYesNo(const std::u16string& text) override { return messages().askYesNo(text); }
    platform::FileDialogResult show(const platform::FileDialogRequest& request) override
    {
        return m_host.fileDialogsOver(shownWindow()).show(request);
    }

private:
    platform::Messages& messages() { return m_host.messagesOver(shownWindow()); }
    /// A hidden window cannot hold a box; it then comes up over no window rather than unseen.
    QWidget* shownWindow() const { return m_window && m_window->isVisible() ? m_window.data() : nullptr; }

    DialogHost& m_host;
    QPointer<QWidget> m_window;
};

} // namespace vz::ui
