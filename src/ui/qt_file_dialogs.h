#pragma once

#include <QPointer>
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

private:
    QPointer<QWidget> m_parent;
};

} // namespace vz::ui
