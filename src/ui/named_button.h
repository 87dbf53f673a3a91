#pragma once

#include <QPushButton>
#include <QString>

namespace vz::ui {

/// A push button that tests and pictures find by its control name.
inline QPushButton* namedButton(const QString& name, const QString& caption)
{
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    return button;
}

} // namespace vz::ui
