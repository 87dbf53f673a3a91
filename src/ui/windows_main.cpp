// The windows, a program of their own: the command starts it only to open them, so that the
// command without windows, --help and --version never load Qt. It takes the words the command was
// started with, the command's own path first.

#include <exception>
#include <filesystem>
#include <optional>
#include <string>

#include <QApplication>

#include "cli/command_line.h"
#include "cli/headless_command.h"
#include "cli/interrupt.h"
#include "platform/clock.h"
#include "platform/concurrent_fetcher.h"
#include "platform/program_folder.h"
#include "platform/program_starter.h"
#include "run/text.h"
#include "session/session.h"
#include "ui/desktop.h"
#include "ui/editor_window_set.h"
#include "ui/program_look.h"
#include "ui/qt_messages.h"
#include "ui/window_dialogs.h"

int main(int argc, char** argv)
{
    vz::cli::ignoreWriteSignals();
    const vz::cli::CommandLine line = vz::cli::parseCommandLine(argc, argv);
    if (line.action != vz::cli::CommandLine::Action::Run || line.headless || line.check) {
        return vz::cli::usage("the windows take only --ini and --jobs; start them as vodezeva");
    }
    QApplication app(argc, argv);
    vz::ui::dressApplication(app);
    // The real message boxes, file dialogs, fetcher and program starter, wired to the windows here.
    vz::ui::QtMessages messages;
    // A portable install is the folder of the command that was started, which is where it says.
    const std::filesystem::path command(argv[0]);
    const auto folder = vz::platform::findProgramFolder(command.is_absolute() ? command : std::filesystem::path());
    if (!folder.folder) {
        messages.alert(u"vodeZeva: プログラムフォルダを用意できません: " + vz::text::fromUtf8(folder.error));
        return 1;
    }
    // One desktop program per program folder: a second would edit the same files and start runs
    // of its own.
    vz::platform::FileLock programLock;
    if (const auto busy = vz::session::takeProgramFolder(vz::text::fromPath(*folder.folder), programLock)) {
        messages.alert(*busy);
        return vz::cli::kExitBusy;
    }
    vz::ui::QtDialogHost dialogs;
    // The editor windows report through the session's reporter, which the desktop holds.
    vz::ui::LateEditorWindows editors;
    vz::platform::SystemClock clock;
    std::optional<vz::platform::ConcurrentFetcher> fetcher;
    try {
        fetcher.emplace();
    } catch (const std::exception& e) {
        messages.alert(u"vodeZeva: " + vz::text::fromUtf8(e.what()));
        return 1;
    }
    vz::platform::PosixProgramStarter starter;
    vz::run::RunState state;
    vz::ui::Desktop desktop(state, {clock, *fetcher, dialogs, editors, starter});
    vz::ui::EditorWindowSet editorWindows(state, desktop.session().reporter(), dialogs);
    editors.setTarget(&editorWindows);
    std::optional<std::u16string> iniFile;
    if (line.ini) {
        iniFile = vz::text::fromUtf8(*line.ini);
    }
    desktop.start(vz::text::fromPath(*folder.folder), iniFile, line.jobs);
    if (!desktop.mainWindow().isVisible()) {
        // The automatic run has ended and closed the window.
        return 0;
    }
    return QApplication::exec();
}
