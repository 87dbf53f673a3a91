#pragma once

#include <cstddef>
#include <string_view>

namespace vz::extract {

/// A named character reference a browser recognises at some place of the text.
struct NamedReference
{
    std::size_t length = 0;   ///< characters of the name read, the ";" included when it was there
    std::u16string_view text; ///< what it stands for: one or two characters
    bool endsWithSemicolon = false;
};

/// The longest named character reference of HTML that `afterAmpersand` (the text just after an
/// "&") begins with, as a browser reads it: with its ";", or one of the old names that may stand
/// without it ("&amp", "&copy"). Nothing (length 0) when no name matches.
NamedReference matchNamedReference(std::u16string_view afterAmpersand);

} // namespace vz::extract
