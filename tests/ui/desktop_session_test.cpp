// The windowed program on a real display with a window manager (see with_window_manager.sh): the
// faults that only show there. The message boxes and file dialogs are Qt's own, answered here as a
// person would, with Escape.

#include <functional>
#include <optional>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "fake_dialog_host.h"
#include "fakes/fake_program_starter.h"
#include "platform/concurrent_fetcher.h"
#include "platform/cp932.h"
#include "run/text.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"
#include "ui/desktop.h"
#include "ui/editor_window_set.h"
#include "ui/program_look.h"

using namespace vz;

namespace {

/// What `command` prints.
QString output(const QString& command, const QStringList& arguments)
{
    QProcess process;
    process.start(command, arguments);
    process.waitForFinished(5000);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

/// The window that has the keyboard, as the window manager says.
WId activeWindow()
{
    return output(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}).toULongLong();
}

/// Whether the window manager stacks `upper` above `lower`.
bool stackedAbove(const QWidget& upper, const QWidget& lower)
{
    const QString list =
        output(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    QList<WId> order; // bottom first
    for (const auto& match : QRegularExpression(QStringLiteral("0x[0-9a-f]+")).globalMatch(list)) {
        order << match.captured().toULongLong(nullptr, 16);
    }
    return order.indexOf(upper.winId()) > order.indexOf(lower.winId()) && order.contains(lower.winId());
}

/// What a box or dialog looked like while it was up.
struct Seen
{
    QString over;        ///< the object name of the window it came up over
    bool active = false; ///< it had the keyboard
    QStringList english; ///< texts of its labels and buttons with a word in Latin letters
};

/// Runs `act`, which brings up a modal box or dialog; once the window manager has given it the
/// keyboard, records what it shows and closes it with Escape.
Seen whileModal(const std::function<void()>& act)
{
    Seen seen;
    QTimer poll;
    int waited = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        waited += 20;
        if (!modal || !modal->isVisible() || (activeWindow() != modal->winId() && waited < 5000)) {
            return;
        }
        poll.stop();
        seen.active = activeWindow() == modal->winId();
        seen.over = modal->parentWidget() ? modal->parentWidget()->window()->objectName() : QString();
        QStringList texts;
        for (const auto* label : modal->findChildren<QLabel*>()) {
            texts << label->text();
        }
        for (const auto* button : modal->findChildren<QAbstractButton*>()) {
            texts << button->text();
        }
        seen.english = texts.filter(QRegularExpression(QStringLiteral("[A-Za-z]{3}")));
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    poll.start(20);
    act();
    return seen;
}

/// Waits until the window manager gives `window` the keyboard.
bool becomesActive(const QWidget& window)
{
    for (int waited = 0; waited < 5000; waited += 50) {
        if (activeWindow() == window.winId()) {
            return true;
        }
        QTest::qWait(50);
    }
    return false;
}

/// The window with the frame the window manager put around it; nothing before it is framed.
std::optional<QRect> frameOf(const QWidget& window)
{
    const QString extents = output(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window.winId()),
                                                             QStringLiteral("_NET_FRAME_EXTENTS")});
    const auto match = QRegularExpression(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)")).match(extents);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    // left, right, top, bottom
    return window.geometry().adjusted(-match.captured(1).toInt(), -match.captured(3).toInt(), match.captured(2).toInt(),
                                      match.captured(4).toInt());
}

/// Whether the window, frame and all, is on the screen.
bool onScreen(const QWidget& window)
{
    const auto frame = frameOf(window);
    return frame && window.screen()->availableGeometry().contains(*frame);
}

/// The windowed program with the editor windows, in a program folder of its own whose weekday table
/// names 朝刊.ini every day. Its one site has no index markers: its index page is its one article.
struct Program
{
    explicit Program(ui::DialogHost& dialogs, const std::string& indexAddress = "http://127.0.0.1:9/")
    {
        ini = dir.folder() + u"朝刊.ini";
        test::writeBytes(text::toPath(ini),
                         platform::encodeCp932(u"J\t0\t" + dir.folder() +
                                               u"data\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATETOPICFILES\r\n"
                                               u"さくら新聞\t" +
                                               text::fromUtf8(indexAddress) + u"\t\tsakura.html\r\n")
                             .bytes);
        std::string days;
        for (char day = '1'; day <= '7'; ++day) {
            days += std::string(1, day) + "\t" + text::toUtf8(ini) + "\r\n";
        }
        test::writeBytes(dir.path() / "vodeZeva.def", platform::encodeCp932(text::fromUtf8(days)).bytes);
        desktop.emplace(state, ui::DesktopServices{clock, fetcher, dialogs, editors, starter});
        windows.emplace(state, desktop->session().reporter(), dialogs);
        editors.setTarget(&*windows);
    }

    ui::MainWindow& main() { return desktop->mainWindow(); }
    QWidget& config() { return windows->configWindow(); }
    template <typename T> T* in(QWidget& window, const char* name) { return window.findChild<T*>(name); }

    test::TempDir dir;
    std::u16string ini;
    test::FakeClock clock;
    platform::ConcurrentFetcher fetcher;
    test::FakeProgramStarter starter;
    run::RunState state;
    ui::LateEditorWindows editors;
    std::optional<ui::Desktop> desktop;
    std::optional<ui::EditorWindowSet> windows;
};

} // namespace

class DesktopSessionTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(ui::dressApplication(*qApp)); }

    void theMainWindowStaysNarrowAfterARunWhoseFailingAddressIsLong()
    {
        test::TestHttpServer server; // answers 404 to an address it does not know
        test::FakeFrontEnd messages;
        test::FakeFileDialogs files;
        test::FakeDialogHost dialogs(messages, files);
        const std::string address = server.url("/" + std::string(280, 'x') + "/index.html");
        QCOMPARE(address.size() >= 300, true);
        Program program(dialogs, address);
        program.desktop->start(program.dir.folder(), std::nullopt);
        QVERIFY(becomesActive(program.main()));
        QTRY_VERIFY(frameOf(program.main()));
        QTRY_COMPARE(QApplication::focusWidget(),
                     program.main().findChild<QPushButton*>("cmdStop")); // not a read-only box
        const int before = frameOf(program.main())->width();
        QTest::keyClick(&program.main(), Qt::Key_Return); // 開始 has the keyboard
        QTRY_VERIFY_WITH_TIMEOUT(
            program.desktop->runControl().phase() == session::RunPhase::Idle && messages.infos.size() == 1, 20000);
        QTest::qWait(300); // the window manager's answer to a resize
        const QString status = program.main().findChild<QLabel*>("lblStatus")->text();
        QVERIFY2(status.contains(QString::fromStdString(address)), qPrintable(status));
        const int after = frameOf(program.main())->width();
        QVERIFY2(after <= 640 && after == before, qPrintable(QStringLiteral("%1 px, was %2").arg(after).arg(before)));
        QVERIFY(onScreen(program.main()));
    }

    void everyBoxAndFileDialogComesUpOverTheWindowThatAskedAndGivesTheKeyboardBack()
    {
        ui::QtDialogHost dialogs;
        Program program(dialogs);
        program.desktop->start(program.dir.folder(), std::nullopt);
        QVERIFY(becomesActive(program.main()));
        program.in<QAction>(program.main(), "mnuEdit")->trigger();
        QWidget& config = program.config();
        QVERIFY(becomesActive(config));
        QTRY_VERIFY2(onScreen(config), "opened over the main window, and on the screen");

        // The window that asks, the button that makes it ask, the window the box is over.
        const auto asks = [&](QWidget& window, const char* button) {
            const Seen seen =
                whileModal([&] { QTest::mouseClick(program.in<QPushButton>(window, button), Qt::LeftButton); });
            QCOMPARE(seen.over, window.objectName());
            QVERIFY2(seen.active, qPrintable(window.objectName() + QLatin1Char(' ') + QLatin1String(button)));
            QVERIFY2(seen.english.isEmpty(), qPrintable(seen.english.join(QLatin1Char('|'))));
            QVERIFY(becomesActive(window));
            QVERIFY2(stackedAbove(window, program.main()), "answering raised no other window over it");
        };
        asks(config, "cmdDelete0");
        asks(config, "cmdSaveAs");
        asks(config, "cmdImport");
        QTest::mouseClick(program.in<QPushButton>(config, "cmdDetail0"), Qt::LeftButton);
        QWidget& detail = program.windows->detailWindow();
        QVERIFY(becomesActive(detail));
        asks(detail, "cmdClose");
        program.in<QAction>(program.main(), "mnuDef")->trigger();
        QWidget& def = program.windows->defWindow();
        QVERIFY(becomesActive(def));
        asks(def, "cmdBrowse1");
        asks(def, "cmdSave");

        // Quitting asks about nothing here and takes every window with it.
        program.main().close();
        QTRY_VERIFY(!def.isVisible() && !config.isVisible() && !detail.isVisible());
    }
};

QTEST_MAIN(DesktopSessionTest)
#include "desktop_session_test.moc"
