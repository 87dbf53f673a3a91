#pragma once

#include <QFileDialog>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "platform/file_dialogs.h"

namespace vz::ui {

/// Open and save dialogs over QFileDialog. Closing the dialog without a choice is a
/// cancellation; a dialog that cannot be shown, or a choice that is not a usable file, is a failure.
class QtFileDialogs final : public platform::FileDialogs
{
public:
    explicit QtFileDialogs(QWidget* parent = nullptr) : m_parent(parent) {}

    void setParentWindow(QWidget* parent) { m_parent = parent; }

    platform::FileDialogResult show(const platform::FileDialogRequest& request) override;

    /// Sets up `dialog` as `request` asks: kind, title, folder, preset name or pattern, extension.
    static void prepare(QFileDialog& dialog, const platform::FileDialogRequest& request);
    /// What the person did, from whether the dialog was accepted and the files it holds.
    static platform::FileDialogResult outcome(const platform::FileDialogRequest& request, bool accepted,
                                              const QStringList& chosen);

private:
    QPointer<QWidget> m_parent;
};

} // namespace vz::ui
