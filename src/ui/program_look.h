#pragma once

#include <QIcon>

class QApplication;

namespace vz::ui {

/// The program's own icon, the one the desktop entry installs.
QIcon programIcon();

/// Gives every window of `app` the program's icon, and puts Qt's own texts (the buttons of the
/// message boxes, the file dialog) into Japanese like the program's. Returns false when Qt's
/// Japanese translation is not installed: those texts then stay as Qt has them.
bool dressApplication(QApplication& app);

} // namespace vz::ui
