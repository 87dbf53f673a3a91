#include "qt_file_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include "ui/qt_text.h"

namespace vz::ui {

namespace {

platform::FileDialogResult failed(const QString& why)
{
    return {platform::FileDialogResult::Outcome::Failed, {}, fromQt(why)};
}

} // namespace

void QtFileDialogs::prepare(QFileDialog& dialog, const platform::FileDialogRequest& request)
{
    const bool open = request.kind == platform::FileDialogRequest::Kind::Open;
    dialog.setWindowTitle(toQt(request.title));
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);

    QStringList filters;
    if (!request.defaultExtension.empty()) {
        const QString extension = toQt(request.defaultExtension);
        dialog.setDefaultSuffix(extension);
        filters << QStringLiteral("*.") + extension;
    }
    // The preset name is a folder and either a file name or a pattern such as "*.ini".
    if (!request.initialName.empty()) {
        const QFileInfo initial(toQt(request.initialName));
        const QString folder = initial.absolutePath();
        if (QDir(folder).exists()) {
            dialog.setDirectory(folder);
        }
        const QString name = initial.fileName();
        if (name.contains(u'*') || name.contains(u'?')) {
            filters.removeAll(name);
            filters.prepend(name);
        } else if (!name.isEmpty()) {
            dialog.selectFile(name);
        }
    }
    if (!filters.isEmpty()) {
        filters << QStringLiteral("*");
        dialog.setNameFilters(filters);
    }
}

platform::FileDialogResult QtFileDialogs::outcome(const platform::FileDialogRequest& request, bool accepted,
                                                  const QStringList& chosen)
{
    if (!accepted) {
        return {platform::FileDialogResult::Outcome::Cancelled, {}, {}};
    }
    if (chosen.isEmpty() || chosen.first().isEmpty()) {
        return failed(QStringLiteral("ファイルが選ばれていません"));
    }
    const QFileInfo file(chosen.first());
    if (file.isDir()) {
        return failed(file.absoluteFilePath() + QStringLiteral(" はフォルダです。ファイルを選んでください"));
    }
    if (request.kind == platform::FileDialogRequest::Kind::Open && !file.isFile()) {
        return failed(file.absoluteFilePath() + QStringLiteral(" がありません"));
    }
    return {platform::FileDialogResult::Outcome::Chosen, fromQt(file.absoluteFilePath()), {}};
}

platform::FileDialogResult QtFileDialogs::show(const platform::FileDialogRequest& request)
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return failed(QStringLiteral("ファイルを選ぶ画面を出せません（ウィンドウシステムがありません）"));
    }
    QFileDialog dialog(m_parent.data());
    prepare(dialog, request);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    return outcome(request, accepted, dialog.selectedFiles());
}

} // namespace vz::ui
