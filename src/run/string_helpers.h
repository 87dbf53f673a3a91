#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace vz::run {

/// Takes the first TAB-separated field off `line`: returns it trimmed of blanks and leaves the
/// text after the TAB (untrimmed) in `line`. Without a TAB the whole line is taken.
std::u16string NextField(std::u16string& line);

/// How often `pattern` occurs in `text` turned to lower case (the pattern stays as given);
/// matches may overlap.
std::int32_t CountMatches(std::u16string_view text, std::u16string_view pattern);

/// The text without its characters of code 0 to 32.
std::u16string VisibleChars(std::u16string_view text);

/// The trimmed path's part after its last "/", or the whole trimmed path.
std::u16string FileNameOnly(std::u16string_view path);

/// A folder path ending in "/" (one is appended when missing, also to an empty path).
std::u16string withFolderEnd(std::u16string path);

/// The number a text begins with (blanks, TABs and line feeds skipped), 0 when there is none:
/// "12abc" gives 12, "abc" 0, "" 0.
double Val(std::u16string_view text);

/// A whole number converted as the settings fields are: blanks around it allowed, a fraction
/// rounded half to even; holds an error text ("型が一致しません。", "オーバーフローしました。", the
/// words of the Japanese system for "Type mismatch" and "Overflow") when the text is not a
/// number or does not fit in 16 bits.
struct Int16Result
{
    std::int16_t value = 0;
    std::u16string error;
    bool ok() const { return error.empty(); }
};
Int16Result CInt(std::u16string_view text);

/// Rounds half to even and clamps into the 16-bit range.
std::int16_t roundToInt16(double value);

} // namespace vz::run
