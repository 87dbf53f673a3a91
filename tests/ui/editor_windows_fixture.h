#pragma once

#include <string>

#include <QCheckBox>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "fakes/fake_file_dialogs.h"
#include "fakes/fake_front_end.h"
#include "platform/cp932.h"
#include "run/reporter.h"
#include "run/text.h"
#include "run/weekday_table.h"
#include "support/temp_dir.h"
#include "ui/editor_window_set.h"
#include "ui/qt_text.h"

namespace vz::test {

/// The editor windows over fakes, in a program folder of their own.
struct EditorWindowsFixture
{
    EditorWindowsFixture() : reporter(state, fe, fe), windows(state, reporter, fe, dialogs)
    {
        state.ProgramFolder = dir.folder();
        state.DataPath = dir.folder();
        run::WeekdayTable days;
        days.fill(path("a.ini"));
        writeBytes(dir.path() / "vodeZeva.def", platform::encodeCp932(run::weekdayTableText(days)).bytes);
    }

    std::u16string path(const std::string& name) const { return dir.folder() + text::fromUtf8(name); }
    void writeFile(const std::string& name, const std::u16string& content)
    {
        writeBytes(dir.path() / name, platform::encodeCp932(content).bytes);
    }
    std::u16string readFile(const std::string& name) const
    {
        return platform::decodeCp932(readBytes(dir.path() / name));
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

    TempDir dir;
    run::RunState state;
    FakeFrontEnd fe;
    FakeFileDialogs dialogs;
    run::Reporter reporter;
    ui::EditorWindowSet windows;
};

} // namespace vz::test
