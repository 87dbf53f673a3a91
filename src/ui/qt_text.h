#pragma once

#include <string>

#include <QString>

namespace vz::ui {

/// The core's text is UTF-16 with one element per character, as QString is: both ways are copies.
inline QString toQt(const std::u16string& text)
{
    return QString::fromStdU16String(text);
}

inline std::u16string fromQt(const QString& text)
{
    return text.toStdU16String();
}

} // namespace vz::ui
