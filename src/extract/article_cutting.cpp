#include "article_cutting.h"

#include "extract/active_content.h"
#include "extract/picture_keeping.h"
#include "extract/tag_filters.h"
#include "run/text.h"

namespace vz::extract {

using text::InStr;

namespace {

// Checks that both markers of a pair occur, the end marker at or after the start marker, and
// reports the first that does not. Returns the start marker's position, or 0.
std::ptrdiff_t findPair(run::Reporter& reporter, std::u16string_view page, std::u16string_view startMarker,
                        std::u16string_view endMarker, const char16_t* what)
{
    const std::u16string start(startMarker);
    const std::u16string end(endMarker);
    const auto at = InStr(page, start);
    if (at == 0) {
        reporter.DispErr(what + (u"を切り出すための文字列1'" + start + u"'が見つかりません。"), u"", u"", u"CutNews");
        return 0;
    }
    if (InStr(at, page, end) == 0) {
        reporter.DispErr(what +
                             (u"を切り出すための文字列2'" + end + u"'が文字列1'" + start + u"'の後に見つかりません。"),
                         u"", u"", u"CutNews");
        return 0;
    }
    return at;
}

std::u16string removeTables(std::u16string text)
{
    text = RemoveTags(text, u"<table", u"/table>");
    for (const char16_t* tag : {u"<table", u"</table", u"<tr", u"</tr", u"<td", u"</td", u"<th", u"</th"}) {
        text = RemoveTags(text, tag, u">");
    }
    return text;
}

// The table structure goes, its content stays: each row or cell end becomes a line break.
std::u16string removeTableTags(std::u16string text)
{
    text = RemoveTags(text, u"<table", u">");
    text = ReplaceTags(text, u"</table", u">", u"<br>&nbsp;<br>");
    for (const char16_t* tag : {u"tr", u"td", u"th"}) {
        text = RemoveTags(text, u"<" + std::u16string(tag), u">");
        text = ReplaceTags(text, u"</" + std::u16string(tag), u">", u"<br>");
    }
    return CollapseNbsp(CollapseBreaks(text));
}

} // namespace

std::u16string betweenMarkers(std::u16string_view page, std::ptrdiff_t start, std::u16string_view startMarker,
                              std::u16string_view endMarker)
{
    const std::ptrdiff_t from = start + text::Len(startMarker);
    auto end = InStr(start, page, endMarker);
    if (end < from) {
        end = InStr(from, page, endMarker);
    }
    return end == 0 ? std::u16string() : text::Mid(page, from, end - from);
}

std::u16string CutNews(ExtractContext& ctx, std::u16string_view page, std::u16string_view FilterHeadline1,
                       std::u16string_view FilterHeadline2, std::u16string_view FilterText1,
                       std::u16string_view FilterText2, std::u16string_view TagOption, std::u16string_view TableOption,
                       std::u16string_view PixOption, std::u16string_view ServerAddressHeader,
                       std::u16string_view articleAddress, std::int32_t& minPix)
{
    // A page that lacks the headline markers is rejected even when its text markers are there.
    const auto headlineAt = findPair(ctx.reporter, page, FilterHeadline1, FilterHeadline2, u"見出し");
    if (headlineAt == 0) {
        return {};
    }
    const auto textAt = findPair(ctx.reporter, page, FilterText1, FilterText2, u"記事");
    if (textAt == 0) {
        return {};
    }
    const bool plainText = TagOption == u"RemoveAll";

    const std::u16string headline =
        text::Trim(RemoveTags(betweenMarkers(page, headlineAt, FilterHeadline1, FilterHeadline2), u"<", u">"));
    std::u16string result = plainText ? headline : HeadlineBlock(ctx.fitting, headline);

    std::u16string body = betweenMarkers(page, textAt, FilterText1, FilterText2);
    // A comment among the last 21 characters usually opens the end marker's surroundings. A text
    // that short is searched whole: all of it lies among its last 21 characters.
    if (const auto comment = InStr(text::Len(body) - 20, body, u"<!"); comment > 0) {
        body = text::Left(body, comment - 1);
    }
    // The rest of a start marker that ends inside a tag ("...>").
    if (const auto gt = InStr(body, u">"); gt == 1 || gt == 2) {
        body = text::Mid(body, gt + 1);
    }
    if (PixOption == u"KeepPix") {
        body = KeepPix(ctx, body, ServerAddressHeader, articleAddress, minPix);
    } else {
        body = RemoveTags(body, u"<img", u">");
    }
    if (TableOption == u"RemoveTable") {
        body = removeTables(std::move(body));
    } else if (TableOption == u"RemoveTableTag") {
        body = removeTableTags(std::move(body));
    }
    body = RemoveTags(body, u"<a", u">");
    body = RemoveTags(body, u"</a", u">");
    body = RemoveTags(body, u"<script", u"</script>");
    if (plainText) {
        // LF CR, in this order, is what plain-text pages were always written with.
        for (const char16_t* tag : {u"<br", u"<p", u"</p"}) {
            body = ReplaceTags(body, tag, u">", u"\n\r");
        }
        return result + RemoveTags(body, u"<", u">");
    }
    // Last, so that nothing an earlier cut joined together escapes it.
    return RemoveActiveContent(result + AddSpc(ctx.fitting, body));
}

} // namespace vz::extract
