#pragma once

#include <functional>

#include <QString>

namespace vz::ui {

/// Opens a local file or folder with the desktop's own choice of program (xdg-open). `failed`
/// hears why, on the window thread, when the opener cannot be started or gives up: an opener that
/// finds no browser says so only once it has looked.
void openWithDesktop(const QString& path, std::function<void(const QString& why)> failed);

} // namespace vz::ui
