#pragma once

class QPushButton;
class QWidget;

namespace vz::ui {

/// Gives a window that is no QDialog the keys of one: Enter presses the button that has the
/// keyboard, or else `defaultButton`, drawn as the default; Escape presses `cancelButton`, or
/// closes the window when there is none and `escapeCloses`. A null `defaultButton` leaves Enter to
/// the buttons alone.
void bindDialogKeys(QWidget& window, QPushButton* defaultButton, QPushButton* cancelButton, bool escapeCloses = true);

} // namespace vz::ui
