#pragma once

#include <cstddef>
#include <string>

/// What a fetched page was read as, shared by the reading and the decoders it uses.
namespace vz::platform {

enum class PageEncoding {
    Ascii,     ///< nothing but 7-bit bytes and no ISO-2022-JP escapes
    Utf8,      ///< with or without a byte order mark
    Utf16Le,   ///< found by its byte order mark or by the zero bytes of its ASCII characters
    Utf16Be,   ///< likewise
    ShiftJis,  ///< read as CP932, the superset every Japanese Windows page uses
    EucJp,     ///< including half-width kana and JIS X 0212
    Iso2022Jp, ///< the 7-bit Japanese mail and news encoding
    Other,     ///< a declared non-Japanese charset such as windows-1252
};

/// A short name for messages ("EUC-JP").
const char* encodingName(PageEncoding encoding);

struct ConvertedPage
{
    /// The page as it reads after conversion to CP932: every character is one CP932 holds, a
    /// character it cannot hold is written as a decimal reference ("&#128512;"), bytes that form
    /// no character are each shown as kInvalidStandIn.
    std::u16string text;
    PageEncoding encoding = PageEncoding::Ascii;
    /// The converter the bytes were read with ("EUC-JP", "windows-1252"); empty for ASCII.
    std::string charset;
    /// Whether the encoding came from the Content-Type header or the page's own meta tag
    /// rather than from detection.
    bool declared = false;
    /// Byte sequences that formed no character.
    std::size_t invalidSequences = 0;
};

/// The geta mark, the stand-in Japanese typesetting uses for a character that cannot be shown.
/// It is a CP932 character, so a damaged page stays pure CP932 and does not grow.
inline constexpr char16_t kInvalidStandIn = u'\u3013';

} // namespace vz::platform
