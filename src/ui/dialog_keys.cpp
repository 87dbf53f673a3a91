#include "dialog_keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>

namespace vz::ui {

namespace {

/// Watches the keys that reach the window itself: those its controls left alone.
class DialogKeys final : public QObject
{
public:
    DialogKeys(QWidget& window, QPushButton* defaultButton, QPushButton* cancelButton, bool escapeCloses)
        : QObject(&window), m_window(&window), m_default(defaultButton), m_cancel(cancelButton),
          m_escapeCloses(escapeCloses)
    {
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_window || event->type() != QEvent::KeyPress) {
            return false;
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (modifiers != Qt::NoModifier) {
            return false;
        }
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (auto* focused = qobject_cast<QPushButton*>(QApplication::focusWidget());
                focused && focused->window() == m_window && focused->isEnabled()) {
                focused->animateClick();
                return true;
            }
            return press(m_default);
        case Qt::Key_Escape:
            if (!m_cancel && m_escapeCloses) {
                m_window->close();
                return true;
            }
            return press(m_cancel);
        default:
            return false;
        }
    }

private:
    static bool press(QPushButton* button)
    {
        if (!button || !button->isVisible() || !button->isEnabled()) {
            return false;
        }
        button->animateClick();
        return true;
    }

    QWidget* m_window;
    QPointer<QPushButton> m_default;
    QPointer<QPushButton> m_cancel;
    bool m_escapeCloses;
};

} // namespace

void bindDialogKeys(QWidget& window, QPushButton* defaultButton, QPushButton* cancelButton, bool escapeCloses)
{
    if (defaultButton) {
        defaultButton->setDefault(true);
    }
    window.installEventFilter(new DialogKeys(window, defaultButton, cancelButton, escapeCloses));
}

} // namespace vz::ui
