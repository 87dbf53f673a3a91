// Takes a picture of each window of the windowed program as it gathers a site list file, for
// the documentation. The windows are the real ones over the real fetcher; only the message
// boxes are left out, as nobody is there to answer them.
//
//   window_pictures PROGRAM_FOLDER INI_FILE OUT_FOLDER
//
// Run it with QT_QPA_PLATFORM=offscreen and a Japanese font installed (fonts-noto-cjk).

#include <cstdio>
#include <optional>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QPushButton>

#include "platform/clock.h"
#include "platform/concurrent_fetcher.h"
#include "platform/program_starter.h"
#include "run/text.h"
#include "ui/desktop.h"
#include "ui/qt_file_dialogs.h"

namespace {

/// Prints what a message box would have said.
class PrintedMessages final : public vz::platform::Messages
{
public:
    void information(const std::u16string& text) override { print(text); }
    void alert(const std::u16string& text) override { print(text); }
    bool askOkCancel(const std::u16string& text) override
    {
        print(text);
        return false;
    }
    bool askYesNo(const std::u16string& text) override
    {
        print(text);
        return false;
    }

private:
    static void print(const std::u16string& text) { std::fprintf(stderr, "%s\n", vz::text::toUtf8(text).c_str()); }
};

/// Message boxes printed, file dialogs never shown.
class PrintedDialogs final : public vz::ui::DialogHost
{
public:
    vz::platform::Messages& messagesOver(QWidget*) override { return m_messages; }
    vz::platform::FileDialogs& fileDialogsOver(QWidget*) override { return m_dialogs; }

private:
    PrintedMessages m_messages;
    vz::ui::QtFileDialogs m_dialogs;
};

bool save(QWidget& window, const QString& file, bool fit = true)
{
    if (fit) {
        window.adjustSize();
    }
    QApplication::processEvents();
    if (!window.grab().save(file, "PNG")) {
        std::fprintf(stderr, "window_pictures: cannot write %s\n", qPrintable(file));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: window_pictures PROGRAM_FOLDER INI_FILE OUT_FOLDER\n");
        return 2;
    }
    PrintedDialogs dialogs;
    vz::ui::NullEditorWindows editors;
    vz::platform::SystemClock clock;
    vz::platform::ConcurrentFetcher fetcher;
    vz::platform::PosixProgramStarter starter;
    vz::run::RunState state;
    vz::ui::Desktop desktop(state, {clock, fetcher, dialogs, editors, starter});
    desktop.start(vz::text::fromUtf8(argv[1]), vz::text::fromUtf8(argv[2]));

    auto& window = desktop.mainWindow();
    window.findChild<QPushButton*>("cmdStop")->click();
    QElapsedTimer waited;
    waited.start();
    while (desktop.runControl().phase() != vz::gather::RunPhase::Idle && waited.elapsed() < 60000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    const QString out = QString::fromLocal8Bit(argv[3]) + QStringLiteral("/");
    bool saved = save(window, out + QStringLiteral("main_window.png"));
    if (desktop.errorsWindow().isVisible()) {
        saved = save(desktop.errorsWindow(), out + QStringLiteral("errors_window.png"), false) && saved;
    }
    window.findChild<QAction*>("mnuAbout")->trigger();
    saved = save(desktop.aboutWindow(), out + QStringLiteral("about_window.png")) && saved;
    return saved ? 0 : 1;
}
