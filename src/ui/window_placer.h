#pragma once

#include <optional>
#include <string>

#include <QMargins>
#include <QObject>

#include "edit/window_places.h"

class QWidget;

namespace vz::ui {

/// Keeps the program's windows (those named "frm…") on the screen and where the person left them.
/// A window that shows goes back to its last place, kept in the program folder, and is moved onto
/// the screen, and shrunk to it, where it would stand partly off it; a window that hides leaves
/// its place to be kept.
class WindowPlacer final : public QObject
{
    Q_OBJECT

public:
    /// Watches every window of the application for as long as it lives.
    explicit WindowPlacer(QObject* parent = nullptr);

    /// Reads the places kept in `programFolder`, where they are kept from now on; until then the
    /// windows are only kept on the screen.
    void load(const std::u16string& programFolder);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showing(QWidget& window);
    void hiding(QWidget& window);
    /// Takes what the window manager adds around a window from a window it has framed.
    void learnFrame();
    /// Moves a framed window whose frame stands partly off the screen back onto it.
    void framed(QWidget& window);

    std::optional<edit::WindowPlaces> m_places;
    /// What the window manager adds around a window, as last seen; a guess until a window shows.
    QMargins m_frame{8, 32, 8, 8};
};

} // namespace vz::ui
