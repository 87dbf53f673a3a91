#include "page_head.h"

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

} // namespace

bool CheckCharset(std::u16string_view page)
{
    const std::u16string lower = LCase(page);
    if (InStr(lower, kMetaTag) == 0) {
        return false;
    }
    const auto c = InStr(lower, u"charset");
    if (c == 0) {
        return false;
    }
    // Without a ">" after it the value is empty, which counts as known: the page then gets the
    // standard head, as MakePageHead would give it.
    const auto g = InStr(c, lower, u">");
    std::u16string value = g == 0 ? std::u16string() : Mid(lower, c + 8, g - c - 9);
    if (const auto quote = InStr(value, u"\""); quote > 0) {
        value = Left(value, quote - 1);
    }
    return InStr(kKnownCharsets, LCase(value)) > 0;
}

std::u16string MakePageHead(std::u16string_view page, const std::u16string& standardHead)
{
    const std::u16string lower = LCase(page);
    const auto m = InStr(lower, kMetaTag);
    if (m == 0 || InStr(lower, u"charset") == 0) {
        return standardHead;
    }
    const auto g = InStr(m, lower, u">");
    if (g == 0) {
        // A tag that never closes would carry the rest of the page into the head.
        return standardHead;
    }
    // Only a declaration of the charset is taken: any other http-equiv tag (a refresh to a
    // stranger's address, say) would act in the reader's browser.
    const std::u16string kind = Mid(lower, m + text::Len(kMetaTag), 14);
    if (!kind.starts_with(u"content-type") && !kind.starts_with(u"\"content-type") &&
        !kind.starts_with(u"'content-type")) {
        return standardHead;
    }
    std::u16string tag = Mid(page, m, g - m);
    if (Right(tag, 1) != u">") {
        tag += u'>';
    }
    return u"<html>\r\n<head>\r\n" + tag + u"\r\n</head>";
}

} // namespace vz::gather
