#pragma once

#include <string>
#include <string_view>

namespace vz::gather {

/// Whether the page declares a charset the conversion handles: the value after the first
/// "charset" of a page with an http-equiv meta tag, found anywhere in the text
/// "iso-2022-jp euc-jp shift_jis x -sjis utf-8 " (so an empty value, or part of a name, counts).
/// The value runs from just after "charset=" to two characters before the next ">", cut at its
/// first double quote.
bool CheckCharset(std::u16string_view page);

/// The head of a site page built from the page's first http-equiv meta tag, with its ">"
/// restored; `standardHead` when the page has no such tag or no "charset", and unless the tag is
/// a closed Content-Type declaration of printable ASCII with only http-equiv and content, balanced
/// quotes, and a charset that reads ASCII as ASCII and every byte written (Shift_JIS, the
/// ISO-8859 and windows-125x charsets, US-ASCII).
std::u16string MakePageHead(std::u16string_view page, const std::u16string& standardHead);

} // namespace vz::gather
