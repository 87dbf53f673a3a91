#pragma once

#include <string>

#include <QCheckBox>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "edit/editor_files.h"
#include "fake_dialog_host.h"
#include "ui/editor_window_set.h"
#include "ui/qt_text.h"

namespace vz::test {

/// The editor windows over fakes, in a program folder whose weekday table names a.ini every day.
struct EditorWindowsFixture : EditorFiles
{
    EditorWindowsFixture() : windows(state, reporter, host)
    {
        run::WeekdayTable days;
        days.fill(path("a.ini"));
        writeDays(days);
    }

    QWidget& config() { return windows.configWindow(); }
    QWidget& detail() { return windows.detailWindow(); }
    template <typename T> static T* in(QWidget& window, const QString& name)
    {
        auto* control = window.findChild<T*>(name);
        if (!control) {
            qFatal("no control %s", qPrintable(name));
        }
        return control;
    }
    /// Clicks a button and answers the question it asks.
    void click(QWidget& window, const QString& name, std::vector<bool> answers = {})
    {
        fe.answers = std::move(answers);
        QTest::mouseClick(in<QPushButton>(window, name), Qt::LeftButton);
    }
    /// Types into a box as a person would, replacing its text: committed by the input method, as
    /// Japanese text is.
    static void type(QLineEdit* box, const QString& text)
    {
        box->selectAll();
        QInputMethodEvent event;
        event.setCommitString(text);
        QCoreApplication::sendEvent(box, &event);
    }

    FakeDialogHost host{fe, dialogs};
    ui::EditorWindowSet windows;
};

} // namespace vz::test
