#include "page_head.h"

#include <algorithm>
#include <optional>

#include "extract/html_tokenizer.h"
#include "run/text.h"

namespace vz::gather {

using text::InStr;
using text::InStrLowered;
using text::LCase;
using text::Left;
using text::Mid;
using text::Right;

namespace {

// Searched as one text, not as a list of names; "x -sjis" is spelt as stored sites expect.
constexpr std::u16string_view kKnownCharsets = u"iso-2022-jp euc-jp shift_jis x -sjis utf-8 ";
constexpr std::u16string_view kMetaTag = u"<meta http-equiv=";

// The labels a browser reads as Shift_JIS, windows-1252 (which ASCII and Latin-1 name), the
// other ISO-8859 charsets and windows-1250 to 1258: charsets whose bytes for ASCII are ASCII and
// that read every byte of a page written in CP932 without switching to another way of reading.
// Any other label could make a browser read the page's bytes as another markup. Searched as
// words, each with a blank before and after it.
constexpr std::u16string_view kReadableLabels =
    u" csshiftjis ms932 ms_kanji shift-jis shift_jis sjis windows-31j x-sjis ansi_x3.4-1968 ascii"
    u" cp1252 cp819 csisolatin1 ibm819 iso-8859-1 iso-ir-100 iso8859-1 iso88591 iso_8859-1"
    u" iso_8859-1:1987 l1 latin1 us-ascii windows-1252 x-cp1252 csisolatin2 iso-8859-2 iso-ir-101"
    u" iso8859-2 iso88592 iso_8859-2 iso_8859-2:1987 l2 latin2 csisolatin3 iso-8859-3 iso-ir-109"
    u" iso8859-3 iso88593 iso_8859-3 iso_8859-3:1988 l3 latin3 csisolatin4 iso-8859-4 iso-ir-110"
    u" iso8859-4 iso88594 iso_8859-4 iso_8859-4:1988 l4 latin4 csisolatincyrillic cyrillic iso-8859-5"
    u" iso-ir-144 iso8859-5 iso88595 iso_8859-5 iso_8859-5:1988 arabic asmo-708 csiso88596e"
    u" csiso88596i csisolatinarabic ecma-114 iso-8859-6 iso-8859-6-e iso-8859-6-i iso-ir-127 iso8859-6"
    u" iso88596 iso_8859-6 iso_8859-6:1987 csisolatingreek ecma-118 elot_928 greek greek8 iso-8859-7"
    u" iso-ir-126 iso8859-7 iso88597 iso_8859-7 iso_8859-7:1987 sun_eu_greek csiso88598e"
    u" csisolatinhebrew hebrew iso-8859-8 iso-8859-8-e iso-ir-138 iso8859-8 iso88598 iso_8859-8"
    u" iso_8859-8:1988 visual csiso88598i iso-8859-8-i logical csisolatin6 iso-8859-10 iso-ir-157"
    u" iso8859-10 iso885910 l6 latin6 iso-8859-13 iso8859-13 iso885913 iso-8859-14 iso8859-14"
    u" iso885914 csisolatin9 iso-8859-15 iso8859-15 iso885915 iso_8859-15 l9 iso-8859-16 cp1250"
    u" windows-1250 x-cp1250 cp1251 windows-1251 x-cp1251 cp1253 windows-1253 x-cp1253 cp1254"
    u" csisolatin5 iso-8859-9 iso-ir-148 iso8859-9 iso88599 iso_8859-9 iso_8859-9:1989 l5 latin5"
    u" windows-1254 x-cp1254 cp1255 windows-1255 x-cp1255 cp1256 windows-1256 x-cp1256 cp1257"
    u" windows-1257 x-cp1257 cp1258 windows-1258 x-cp1258"
    u" ";

bool isAsciiBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

// The charset a content attribute names, as a browser extracts it: after the first "charset"
// followed (blanks aside) by "=", the quoted value, or the value up to a blank or ";".
std::optional<std::u16string> charsetOfContent(std::u16string_view content)
{
    const std::u16string lower = LCase(content);
    for (std::size_t at = lower.find(u"charset"); at != std::u16string::npos; at = lower.find(u"charset", at + 1)) {
        std::size_t p = at + 7;
        while (p < lower.size() && isAsciiBlank(lower[p])) {
            ++p;
        }
        if (p >= lower.size() || lower[p] != u'=') {
            continue;
        }
        ++p;
        while (p < lower.size() && isAsciiBlank(lower[p])) {
            ++p;
        }
        if (p >= lower.size()) {
            return std::nullopt;
        }
        if (lower[p] == u'"' || lower[p] == u'\'') {
            const std::size_t close = lower.find(lower[p], p + 1);
            if (close == std::u16string::npos) {
                return std::nullopt;
            }
            return lower.substr(p + 1, close - p - 1);
        }
        std::size_t end = p;
        while (end < lower.size() && !isAsciiBlank(lower[end]) && lower[end] != u';') {
            ++end;
        }
        return lower.substr(p, end - p);
    }
    return std::nullopt;
}

// Whether a page's own meta tag may head a site page: one closed start tag of plain printable
// ASCII, with exactly an http-equiv of "Content-Type" and a content whose charset a browser
// reads the written bytes with, values free of references, quotes and brackets.
bool isReadableDeclaration(std::u16string_view tag)
{
    for (const char16_t c : tag) {
        if ((c < 0x20 || c > 0x7E) && !isAsciiBlank(c)) {
            return false;
        }
    }
    extract::Markup m;
    extract::readMarkup(tag, 0, m);
    if (m.kind != extract::Markup::Kind::StartTag || m.end != tag.size() ||
        !extract::spells(tag, m.name, m.nameEnd, u"meta") || m.attributes.size() != 2) {
        return false;
    }
    std::optional<std::u16string_view> kind, content;
    for (const extract::MarkupAttribute& a : m.attributes) {
        if (!a.hasValue) {
            return false;
        }
        const std::u16string_view value = tag.substr(a.value, a.valueEnd - a.value);
        if (value.find_first_of(u"&<>\"'`") != std::u16string_view::npos) {
            return false;
        }
        if (extract::spells(tag, a.name, a.nameEnd, u"http-equiv") && !kind) {
            kind = value;
        } else if (extract::spells(tag, a.name, a.nameEnd, u"content") && !content) {
            content = value;
        } else {
            return false;
        }
    }
    if (!kind || !content || LCase(*kind) != u"content-type") {
        return false;
    }
    const auto charset = charsetOfContent(*content);
    if (!charset) {
        return false;
    }
    const std::u16string label = text::Trim(*charset);
    return !label.empty() && label.find(u' ') == std::u16string::npos &&
           kReadableLabels.find(u" " + label + u" ") != std::u16string_view::npos;
}

} // namespace

bool CheckCharset(std::u16string_view page)
{
    if (InStrLowered(page, kMetaTag) == 0) {
        return false;
    }
    const auto c = InStrLowered(page, u"charset");
    if (c == 0) {
        return false;
    }
    // Without a ">" after it the value is empty, which counts as known: the page then gets the
    // standard head, as MakePageHead would give it.
    const auto g = InStr(c, page, u">");
    std::u16string value = g == 0 ? std::u16string() : LCase(Mid(page, c + 8, g - c - 9));
    if (const auto quote = InStr(value, u"\""); quote > 0) {
        value = Left(value, quote - 1);
    }
    return InStr(kKnownCharsets, LCase(value)) > 0;
}

std::u16string MakePageHead(std::u16string_view page, const std::u16string& standardHead)
{
    const auto m = InStrLowered(page, kMetaTag);
    if (m == 0 || InStrLowered(page, u"charset") == 0) {
        return standardHead;
    }
    const auto g = InStr(m, page, u">");
    if (g == 0) {
        // A tag that never closes would carry the rest of the page into the head.
        return standardHead;
    }
    std::u16string tag = Mid(page, m, g - m);
    if (Right(tag, 1) != u">") {
        tag += u'>';
    }
    // Only a declaration of a charset that reads the written bytes as written is taken: any
    // other http-equiv tag (a refresh to a stranger's address, say) would act in the reader's
    // browser, and another charset (ISO-2022-JP, UTF-16) would read the page as other markup.
    // A ">" inside a quoted value ends the tag early, with its quote left open.
    if (!isReadableDeclaration(tag)) {
        return standardHead;
    }
    return u"<html>\r\n<head>\r\n" + tag + u"\r\n</head>";
}

} // namespace vz::gather
