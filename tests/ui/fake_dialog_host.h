#pragma once

#include <QString>
#include <QWidget>

#include "fakes/fake_file_dialogs.h"
#include "fakes/fake_front_end.h"
#include "ui/window_dialogs.h"

namespace vz::test {

/// Answers every window's message boxes and file dialogs from the scripted fakes, and records
/// over which window each was asked (its object name; empty for none).
class FakeDialogHost final : public ui::DialogHost
{
public:
    FakeDialogHost(FakeFrontEnd& messages, FakeFileDialogs& dialogs) : m_messages(messages), m_dialogs(dialogs) {}

    platform::Messages& messagesOver(QWidget* window) override
    {
        over.push_back(window ? window->objectName() : QString());
        return m_messages;
    }
    platform::FileDialogs& fileDialogsOver(QWidget* window) override
    {
        over.push_back(window ? window->objectName() : QString());
        return m_dialogs;
    }

    /// The window of every box and dialog, in the order they were asked.
    QStringList over;

private:
    FakeFrontEnd& m_messages;
    FakeFileDialogs& m_dialogs;
};

} // namespace vz::test
