// Takes a picture of each window of the windowed program as a person sees it, for the
// documentation: the real windows over the real fetcher gather a site list file, then the editor
// windows open on it. On a display with a window manager (docs/make_pictures.sh runs it so) each
// picture is the window with its frame at the size it opens; elsewhere the window alone. Message
// boxes are printed and declined, as nobody is there to answer them.
//
//   window_pictures PROGRAM_FOLDER INI_FILE OUT_FOLDER
//
// A Japanese font is needed (fonts-noto-cjk).

#include <cstdio>
#include <optional>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>

#include "platform/clock.h"
#include "platform/concurrent_fetcher.h"
#include "platform/program_starter.h"
#include "run/text.h"
#include "ui/desktop.h"
#include "ui/editor_window_set.h"
#include "ui/import_window.h"
#include "ui/program_look.h"

namespace {

/// Prints what a message box would have said and declines what it asks.
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

/// Every file dialog chooses the site list file itself: the import window then lists its sites.
class ChosenFile final : public vz::platform::FileDialogs
{
public:
    explicit ChosenFile(std::u16string path) : m_path(std::move(path)) {}
    vz::platform::FileDialogResult show(const vz::platform::FileDialogRequest&) override
    {
        return {vz::platform::FileDialogResult::Outcome::Chosen, m_path, {}};
    }

private:
    std::u16string m_path;
};

class PictureDialogs final : public vz::ui::DialogHost
{
public:
    explicit PictureDialogs(std::u16string ini) : m_files(std::move(ini)) {}
    vz::platform::Messages& messagesOver(QWidget*) override { return m_messages; }
    vz::platform::FileDialogs& fileDialogsOver(QWidget*) override { return m_files; }

private:
    PrintedMessages m_messages;
    ChosenFile m_files;
};

void settle(int milliseconds = 400)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

/// The window with the frame its window manager put around it, when there is one.
std::optional<QRect> frameOf(const QWidget& window)
{
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-id"), QString::number(window.winId()), QStringLiteral("_NET_FRAME_EXTENTS")});
    if (!xprop.waitForFinished(3000)) {
        return std::nullopt;
    }
    const auto match = QRegularExpression(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)"))
                           .match(QString::fromLatin1(xprop.readAllStandardOutput()));
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    return window.geometry().adjusted(-match.captured(1).toInt(), -match.captured(3).toInt(), match.captured(2).toInt(),
                                      match.captured(4).toInt());
}

bool save(QWidget& window, const QString& file)
{
    window.raise();
    window.activateWindow();
    settle();
    const auto frame = QGuiApplication::platformName() == QStringLiteral("xcb") ? frameOf(window) : std::nullopt;
    const QPixmap picture =
        frame ? window.screen()->grabWindow(0, frame->x(), frame->y(), frame->width(), frame->height()) : window.grab();
    if (!picture.save(file, "PNG")) {
        std::fprintf(stderr, "window_pictures: cannot write %s\n", qPrintable(file));
        return false;
    }
    return true;
}

template <typename T> T* control(QWidget& window, const char* name)
{
    auto* found = window.findChild<T*>(QString::fromLatin1(name));
    if (!found) {
        std::fprintf(stderr, "window_pictures: no control %s\n", name);
        std::exit(1);
    }
    return found;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: window_pictures PROGRAM_FOLDER INI_FILE OUT_FOLDER\n");
        return 2;
    }
    vz::ui::dressApplication(app);
    const std::u16string ini = vz::text::fromUtf8(argv[2]);
    PictureDialogs dialogs(ini);
    vz::ui::LateEditorWindows editors;
    vz::platform::SystemClock clock;
    vz::platform::ConcurrentFetcher fetcher;
    vz::platform::PosixProgramStarter starter;
    vz::run::RunState state;
    vz::ui::Desktop desktop(state, {clock, fetcher, dialogs, editors, starter});
    vz::ui::EditorWindowSet windows(state, desktop.session().reporter(), dialogs);
    editors.setTarget(&windows);
    desktop.start(vz::text::fromUtf8(argv[1]), ini);

    auto& main = desktop.mainWindow();
    settle();
    control<QPushButton>(main, "cmdStop")->click();
    QElapsedTimer waited;
    waited.start();
    while (desktop.runControl().phase() != vz::session::RunPhase::Idle && waited.elapsed() < 60000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    const QString out = QString::fromLocal8Bit(argv[3]) + QStringLiteral("/");
    bool saved = true;
    const auto take = [&saved, &out](QWidget& window, const char* name) {
        saved = save(window, out + QString::fromLatin1(name) + QStringLiteral(".png")) && saved;
    };
    if (desktop.errorsWindow().isVisible()) {
        take(desktop.errorsWindow(), "errors_window");
    }
    take(main, "main_window");
    control<QAction>(main, "mnuAbout")->trigger();
    take(desktop.aboutWindow(), "about_window");
    desktop.aboutWindow().close();

    control<QAction>(main, "mnuEdit")->trigger();
    QWidget& config = windows.configWindow();
    take(config, "frmConfig");
    control<QPushButton>(config, "cmdDetail0")->click();
    take(windows.detailWindow(), "frmConfigDetail");
    // The same row tried: the report under the fields.
    auto* cmdTry = control<QPushButton>(windows.detailWindow(), "cmdTry");
    cmdTry->click();
    waited.restart();
    while (cmdTry->text() != QStringLiteral("試す") && waited.elapsed() < 60000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    take(windows.detailWindow(), "frmConfigDetail-try");
    windows.editor().detail().closeQuietly();
    windows.editor().changed();

    control<QPushButton>(config, "cmdImport")->click();
    auto importWindows = config.findChildren<vz::ui::ImportWindow*>();
    if (importWindows.isEmpty()) {
        std::fprintf(stderr, "window_pictures: the import window did not open\n");
        return 1;
    }
    QWidget& import = *importWindows.front();
    take(import, "frmImport-compact");
    control<QPushButton>(import, "cmdImportOne")->click();
    auto* select = control<QListWidget>(import, "lstSelect");
    for (int entry : {0, 2}) {
        select->item(entry)->setSelected(true);
    }
    take(import, "frmImport-select");
    control<QPushButton>(import, "cmdReplace")->click();
    // One replacement made, so the list shows what it did.
    control<QListWidget>(import, "lstSource")->setCurrentRow(1);
    control<QListWidget>(import, "lstDestination")->setCurrentRow(0);
    control<QPushButton>(import, "cmdImport")->click();
    control<QListWidget>(import, "lstSource")->setCurrentRow(2);
    take(import, "frmImport-replace");
    import.close();

    control<QAction>(main, "mnuDef")->trigger();
    take(windows.defWindow(), "frmDef");
    return saved ? 0 : 1;
}
