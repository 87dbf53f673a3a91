#include "qt_file_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "ui/qt_text.h"

namespace vz::ui {

namespace {

platform::FileDialogResult failed(const QString& why)
{
    return {platform::FileDialogResult::Outcome::Failed, {}, fromQt(why)};
}

} // namespace

platform::FileDialogResult QtFileDialogs::show(const platform::FileDialogRequest& request)
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return failed(QStringLiteral("no window system to show a file dialog on"));
    }
    const bool open = request.kind == platform::FileDialogRequest::Kind::Open;
    QFileDialog dialog(m_parent.data(), toQt(request.title));
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);

    QStringList filters;
    if (!request.defaultExtension.empty()) {
        const QString extension = toQt(request.defaultExtension);
        dialog.setDefaultSuffix(extension);
        filters << QStringLiteral("*.") + extension;
    }
    // The preset name is a folder and either a file name or a pattern such as "*.ini".
    const QFileInfo initial(toQt(request.initialName));
    if (!request.initialName.empty()) {
        const QString folder = initial.absolutePath();
        if (QDir(folder).exists()) {
            dialog.setDirectory(folder);
        }
        const QString name = initial.fileName();
        if (name.contains(u'*') || name.contains(u'?')) {
            if (!filters.contains(name)) {
                filters.prepend(name);
            }
        } else if (!name.isEmpty()) {
            dialog.selectFile(name);
        }
    }
    if (!filters.isEmpty()) {
        filters << QStringLiteral("*");
        dialog.setNameFilters(filters);
    }

    if (dialog.exec() != QDialog::Accepted) {
        return {platform::FileDialogResult::Outcome::Cancelled, {}, {}};
    }
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty()) {
        return failed(QStringLiteral("no file was chosen"));
    }
    const QFileInfo file(chosen.first());
    if (file.isDir()) {
        return failed(file.absoluteFilePath() + QStringLiteral(" is a folder, not a file"));
    }
    if (open && !file.isFile()) {
        return failed(file.absoluteFilePath() + QStringLiteral(" does not exist"));
    }
    return {platform::FileDialogResult::Outcome::Chosen, fromQt(file.absoluteFilePath()), {}};
}

} // namespace vz::ui
