#pragma once

#include <cstddef>
#include <string>
#include <string_view>

/// Reading fetched pages: whatever encoding a page arrives in, the text comes out as it reads
/// once written as CP932, the encoding of every output page.
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

/// Converts the bytes of a page. A byte order mark decides first; then a charset declared by
/// the server (`declaredCharset`, the value of the Content-Type header's charset parameter)
/// or by the page's meta tag is used when the bytes are valid in it; otherwise the encoding is
/// detected among ISO-2022-JP, UTF-8, CP932 and EUC-JP. A declared single-byte charset, in which
/// any bytes are valid, gives way to a reading that is clearly Japanese text; a declared Japanese
/// encoding gives way to another only when the page reads as plain Japanese there and mostly as
/// half-width kana and odd symbols in the declared one. Never fails: garbage gives stand-ins.
ConvertedPage convertPage(std::string_view bytes, std::string_view declaredCharset = {});

/// As convertPage, taking the bytes over: those of a large page are given back to the system as
/// they are decoded, so that the page is never held whole both as bytes and as text.
ConvertedPage convertPageReleasing(std::string bytes, std::string_view declaredCharset = {});

/// The charset parameter of a Content-Type header value ("text/html; charset=EUC-JP" gives
/// "EUC-JP"); empty when there is none.
std::string charsetOfContentType(std::string_view contentType);

/// The charset a page's meta tag declares, either form (`<meta charset="utf-8">` or the
/// content-type tag); empty when the page's beginning declares none.
std::string charsetOfMetaTag(std::string_view bytes);

} // namespace vz::platform
