#include "window_placer.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include "ui/qt_text.h"

namespace vz::ui {

namespace {

bool isProgramWindow(QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    return widget && widget->isWindow() && widget->objectName().startsWith(QStringLiteral("frm"));
}

edit::Place placeOf(const QRect& rect)
{
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

QRect rectOf(const edit::Place& place)
{
    return {place.x, place.y, place.width, place.height};
}

/// How long a window manager may take to frame a window that was shown.
constexpr int kFramingTime = 250;

} // namespace

WindowPlacer::WindowPlacer(QObject* parent) : QObject(parent)
{
    QApplication::instance()->installEventFilter(this);
}

void WindowPlacer::load(const std::u16string& programFolder)
{
    m_places = edit::WindowPlaces::read(programFolder);
}

bool WindowPlacer::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::Show || type == QEvent::Hide) && !event->spontaneous() && isProgramWindow(watched)) {
        auto& window = *static_cast<QWidget*>(watched);
        if (type == QEvent::Show) {
            showing(window);
        } else {
            hiding(window);
        }
    }
    return false;
}

void WindowPlacer::learnFrame()
{
    for (QWidget* shown : QApplication::topLevelWidgets()) {
        const QRect frame = shown->frameGeometry();
        const QRect inside = shown->geometry();
        if (shown->isVisible() && frame != inside && frame.contains(inside)) {
            m_frame = {inside.left() - frame.left(), inside.top() - frame.top(), frame.right() - inside.right(),
                       frame.bottom() - inside.bottom()};
            return;
        }
    }
}

void WindowPlacer::framed(QWidget& window)
{
    // Once the window manager has framed the window, the frame itself must be on the screen.
    const QRect frame = window.frameGeometry();
    const QScreen* screen = window.screen();
    if (!window.isVisible() || !screen || frame == window.geometry() || !frame.contains(window.geometry())) {
        return;
    }
    const edit::Place fitted = edit::keptOnScreen(placeOf(frame), placeOf(screen->availableGeometry()), {});
    if (fitted.x != frame.x() || fitted.y != frame.y()) {
        window.move(fitted.x, fitted.y);
    }
}

void WindowPlacer::showing(QWidget& window)
{
    learnFrame();
    const auto kept = m_places ? m_places->place(fromQt(window.objectName())) : std::nullopt;
    QRect wanted = window.geometry();
    if (kept) {
        wanted.moveTo(kept->x, kept->y);
        // The import window's height follows its mode; it keeps only its place.
        if (window.objectName() != QStringLiteral("frmImport")) {
            wanted.setSize(QSize(kept->width, kept->height).expandedTo(window.minimumSizeHint()));
        }
    } else if (!window.testAttribute(Qt::WA_Moved)) {
        // A window shown for the first time opens over the window the person works in, where the
        // window manager might put it anywhere, partly off the screen too.
        QWidget* over = QApplication::activeWindow();
        if (!over || over == &window || !over->isVisible()) {
            over = nullptr;
        }
        const QScreen* screen = over ? over->screen() : QGuiApplication::primaryScreen();
        if (!screen) {
            return;
        }
        wanted.setSize(wanted.size().expandedTo(window.sizeHint()).expandedTo(window.minimumSizeHint()));
        wanted.moveCenter(over ? over->geometry().center() : screen->availableGeometry().center());
    }
    QScreen* screen = QGuiApplication::screenAt(wanted.center());
    if (!screen) {
        screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    }
    if (!screen) {
        return;
    }
    const edit::Place fitted = edit::keptOnScreen(placeOf(wanted), placeOf(screen->availableGeometry()),
                                                  {m_frame.left(), m_frame.top(), m_frame.right(), m_frame.bottom()});
    window.setGeometry(rectOf(fitted));
    QPointer<QWidget> shown(&window);
    QTimer::singleShot(kFramingTime, this, [this, shown] {
        if (shown) {
            framed(*shown);
        }
    });
}

void WindowPlacer::hiding(QWidget& window)
{
    const QRect frame = window.frameGeometry();
    const QRect inside = window.geometry();
    if (frame != inside && frame.contains(inside)) {
        m_frame = {inside.left() - frame.left(), inside.top() - frame.top(), frame.right() - inside.right(),
                   frame.bottom() - inside.bottom()};
    }
    if (m_places) {
        m_places->remember(fromQt(window.objectName()), placeOf(inside));
        m_places->write();
    }
}

} // namespace vz::ui
