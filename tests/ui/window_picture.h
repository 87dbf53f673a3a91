#pragma once

#include <QDir>
#include <QWidget>

namespace vz::test {

/// Saves a picture of the window as `name`.png into the folder named by VZ_PICTURES, when set,
/// so the pictures under docs/ come from the windows as the tests drive them:
/// `VZ_PICTURES=$PWD/docs ctest --test-dir build -L ui`.
inline void saveWindowPicture(QWidget* window, const QString& name)
{
    const QString folder = qEnvironmentVariable("VZ_PICTURES");
    if (folder.isEmpty()) {
        return;
    }
    QDir().mkpath(folder);
    window->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

} // namespace vz::test
