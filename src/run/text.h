#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

/// Text helpers over UTF-16 strings with the 1-based positions the cutting rules are written in.
/// Every helper clamps out-of-range arguments instead of reading past the text, so a cut rule
/// transcribed literally can never touch memory outside its string.
namespace vz::text {

using Str = std::u16string;
using View = std::u16string_view;

/// Number of characters.
inline std::ptrdiff_t Len(View s)
{
    return static_cast<std::ptrdiff_t>(s.size());
}

/// The first n characters (all of them when n exceeds the length, none when n <= 0).
Str Left(View s, std::ptrdiff_t n);
/// The last n characters.
Str Right(View s, std::ptrdiff_t n);
/// From 1-based position p to the end; empty when p is past the end. p < 1 counts as 1.
Str Mid(View s, std::ptrdiff_t p);
/// n characters from 1-based position p; fewer when the text ends first.
Str Mid(View s, std::ptrdiff_t p, std::ptrdiff_t n);

/// 1-based position of the first occurrence of `find` at or after `start`, or 0.
/// An empty text never holds anything; an empty `find` is found at `start` when start lies
/// within the text.
std::ptrdiff_t InStr(std::ptrdiff_t start, View s, View find);
/// InStr in `s` as if it were lower-cased (ASCII letters), for a lower-case `lowerFind`: 1-based,
/// 0 when it is not there. No lower-cased copy is made: a page of many megabytes would be held
/// twice only to be searched.
std::ptrdiff_t InStrLowered(View s, View lowerFind);
inline std::ptrdiff_t InStr(View s, View find)
{
    return InStr(1, s, find);
}

/// ASCII letters lowered; every other character unchanged, so positions stay aligned with the
/// original text.
Str LCase(View s);
char16_t LCaseChar(char16_t c);

/// Leading and trailing blanks (U+0020 only) removed.
Str Trim(View s);

/// ASCII or UTF-8 literal to UTF-16.
Str u(std::string_view utf8);
/// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string toUtf8(View s);
/// UTF-8 to UTF-16; invalid bytes become U+FFFD.
Str fromUtf8(std::string_view s);
/// A path as the file system takes it (UTF-8 bytes on this platform).
std::filesystem::path toPath(View s);
/// A path back to text.
Str fromPath(const std::filesystem::path& p);

/// Decimal text of a number.
Str number(long long n);
/// Number with at least `width` digits, zero-padded ("00012").
Str zeroPadded(long long n, int width);

} // namespace vz::text
