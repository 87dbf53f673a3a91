#include "page_head.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "extract/html_tokenizer.h"
#include "run/text.h"

namespace vz::gather {

using text::InStr;
using text::LCase;
using text::Left;
using text::Mid;
using text::Right;

namespace {

// Searched as one text, not as a list of names; "x -sjis" is spelt as stored sites expect.
constexpr std::u16string_view kKnownCharsets = u"iso-2022-jp euc-jp shift_jis x -sjis utf-8 ";
constexpr std::u16string_view kMetaTag = u"<meta http-equiv=";

// The 1-based position of `lowerNeedle` in the page as if the page were lower-cased, 0 when it is
// not there. Lower-casing a copy of a page of many megabytes only to search it would double
// what the page holds in memory.
std::ptrdiff_t findLowered(std::u16string_view page, std::u16string_view lowerNeedle)
{
    const auto at = std::search(page.begin(), page.end(), lowerNeedle.begin(), lowerNeedle.end(),
                                [](char16_t a, char16_t b) { return text::LCaseChar(a) == b; });
    return at == page.end() ? 0 : (at - page.begin()) + 1;
}

// The labels a browser reads as Shift_JIS, windows-1252 (which ASCII and Latin-1 name), the
// other ISO-8859 charsets and windows-1250 to 1258: charsets whose bytes for ASCII are ASCII and
// that read every byte of a page written in CP932 without switching to another way of reading.
// Any other label could make a browser read the page's bytes as another markup.
constexpr std::u16string_view kReadableLabels[] = {u"csshiftjis",
                                                   u"ms932",
                                                   u"ms_kanji",
                                                   u"shift-jis",
                                                   u"shift_jis",
                                                   u"sjis",
                                                   u"windows-31j",
                                                   u"x-sjis",
                                                   u"ansi_x3.4-1968",
                                                   u"ascii",
                                                   u"cp1252",
                                                   u"cp819",
                                                   u"csisolatin1",
                                                   u"ibm819",
                                                   u"iso-8859-1",
                                                   u"iso-ir-100",
                                                   u"iso8859-1",
                                                   u"iso88591",
                                                   u"iso_8859-1",
                                                   u"iso_8859-1:1987",
                                                   u"l1",
                                                   u"latin1",
                                                   u"us-ascii",
                                                   u"windows-1252",
                                                   u"x-cp1252",
                                                   u"csisolatin2",
                                                   u"iso-8859-2",
                                                   u"iso-ir-101",
                                                   u"iso8859-2",
                                                   u"iso88592",
                                                   u"iso_8859-2",
                                                   u"iso_8859-2:1987",
                                                   u"l2",
                                                   u"latin2",
                                                   u"csisolatin3",
                                                   u"iso-8859-3",
                                                   u"iso-ir-109",
                                                   u"iso8859-3",
                                                   u"iso88593",
                                                   u"iso_8859-3",
                                                   u"iso_8859-3:1988",
                                                   u"l3",
                                                   u"latin3",
                                                   u"csisolatin4",
                                                   u"iso-8859-4",
                                                   u"iso-ir-110",
                                                   u"iso8859-4",
                                                   u"iso88594",
                                                   u"iso_8859-4",
                                                   u"iso_8859-4:1988",
                                                   u"l4",
                                                   u"latin4",
                                                   u"csisolatincyrillic",
                                                   u"cyrillic",
                                                   u"iso-8859-5",
                                                   u"iso-ir-144",
                                                   u"iso8859-5",
                                                   u"iso88595",
                                                   u"iso_8859-5",
                                                   u"iso_8859-5:1988",
                                                   u"arabic",
                                                   u"asmo-708",
                                                   u"csiso88596e",
                                                   u"csiso88596i",
                                                   u"csisolatinarabic",
                                                   u"ecma-114",
                                                   u"iso-8859-6",
                                                   u"iso-8859-6-e",
                                                   u"iso-8859-6-i",
                                                   u"iso-ir-127",
                                                   u"iso8859-6",
                                                   u"iso88596",
                                                   u"iso_8859-6",
                                                   u"iso_8859-6:1987",
                                                   u"csisolatingreek",
                                                   u"ecma-118",
                                                   u"elot_928",
                                                   u"greek",
                                                   u"greek8",
                                                   u"iso-8859-7",
                                                   u"iso-ir-126",
                                                   u"iso8859-7",
                                                   u"iso88597",
                                                   u"iso_8859-7",
                                                   u"iso_8859-7:1987",
                                                   u"sun_eu_greek",
                                                   u"csiso88598e",
                                                   u"csisolatinhebrew",
                                                   u"hebrew",
                                                   u"iso-8859-8",
                                                   u"iso-8859-8-e",
                                                   u"iso-ir-138",
                                                   u"iso8859-8",
                                                   u"iso88598",
                                                   u"iso_8859-8",
                                                   u"iso_8859-8:1988",
                                                   u"visual",
                                                   u"csiso88598i",
                                                   u"iso-8859-8-i",
                                                   u"logical",
                                                   u"csisolatin6",
                                                   u"iso-8859-10",
                                                   u"iso-ir-157",
                                                   u"iso8859-10",
                                                   u"iso885910",
                                                   u"l6",
                                                   u"latin6",
                                                   u"iso-8859-13",
                                                   u"iso8859-13",
                                                   u"iso885913",
                                                   u"iso-8859-14",
                                                   u"iso8859-14",
                                                   u"iso885914",
                                                   u"csisolatin9",
                                                   u"iso-8859-15",
                                                   u"iso8859-15",
                                                   u"iso885915",
                                                   u"iso_8859-15",
                                                   u"l9",
                                                   u"iso-8859-16",
                                                   u"cp1250",
                                                   u"windows-1250",
                                                   u"x-cp1250",
                                                   u"cp1251",
                                                   u"windows-1251",
                                                   u"x-cp1251",
                                                   u"cp1253",
                                                   u"windows-1253",
                                                   u"x-cp1253",
                                                   u"cp1254",
                                                   u"csisolatin5",
                                                   u"iso-8859-9",
                                                   u"iso-ir-148",
                                                   u"iso8859-9",
                                                   u"iso88599",
                                                   u"iso_8859-9",
                                                   u"iso_8859-9:1989",
                                                   u"l5",
                                                   u"latin5",
                                                   u"windows-1254",
                                                   u"x-cp1254",
                                                   u"cp1255",
                                                   u"windows-1255",
                                                   u"x-cp1255",
                                                   u"cp1256",
                                                   u"windows-1256",
                                                   u"x-cp1256",
                                                   u"cp1257",
                                                   u"windows-1257",
                                                   u"x-cp1257",
                                                   u"cp1258",
                                                   u"windows-1258",
                                                   u"x-cp1258"};

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
    return std::find(std::begin(kReadableLabels), std::end(kReadableLabels), label) != std::end(kReadableLabels);
}

} // namespace

bool CheckCharset(std::u16string_view page)
{
    if (findLowered(page, kMetaTag) == 0) {
        return false;
    }
    const auto c = findLowered(page, u"charset");
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
    const auto m = findLowered(page, kMetaTag);
    if (m == 0 || findLowered(page, u"charset") == 0) {
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
