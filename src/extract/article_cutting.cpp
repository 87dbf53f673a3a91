#include "article_cutting.h"

#include <algorithm>
#include <optional>

#include "extract/marker_search.h"
#include "extract/picture_keeping.h"
#include "extract/safe_markup.h"
#include "extract/tag_filters.h"
#include "run/text.h"

namespace vz::extract {

namespace {

// Reports the marker that is missing, as the run's log has always named it.
void reportMissing(run::Reporter& reporter, ArticleMarker missing, std::u16string_view FilterHeadline1,
                   std::u16string_view FilterHeadline2, std::u16string_view FilterText1,
                   std::u16string_view FilterText2)
{
    const bool headline = missing == ArticleMarker::Headline1 || missing == ArticleMarker::Headline2;
    const char16_t* what = headline ? u"見出し" : u"記事";
    const std::u16string start(headline ? FilterHeadline1 : FilterText1);
    const std::u16string end(headline ? FilterHeadline2 : FilterText2);
    if (missing == ArticleMarker::Headline1 || missing == ArticleMarker::Text1) {
        reporter.DispErr(what + (u"を切り出すための文字列1'" + start + u"'が見つかりません。"), u"", u"", u"CutNews");
    } else {
        reporter.DispErr(what +
                             (u"を切り出すための文字列2'" + end + u"'が文字列1'" + start + u"'の後に見つかりません。"),
                         u"", u"", u"CutNews");
    }
}

std::u16string removeTables(std::u16string text)
{
    removeTagsInPlace(text, u"<table", u"/table>");
    for (const char16_t* tag : {u"<table", u"</table", u"<tr", u"</tr", u"<td", u"</td", u"<th", u"</th"}) {
        removeTagsInPlace(text, tag, u">");
    }
    return text;
}

// The table structure goes, its content stays: each row or cell end becomes a line break.
std::u16string removeTableTags(std::u16string text)
{
    removeTagsInPlace(text, u"<table", u">");
    replaceTagsInPlace(text, u"</table", u">", u"<br>&nbsp;<br>");
    for (const char16_t* tag : {u"tr", u"td", u"th"}) {
        removeTagsInPlace(text, u"<" + std::u16string(tag), u">");
        replaceTagsInPlace(text, u"</" + std::u16string(tag), u">", u"<br>");
    }
    collapseBreaksInPlace(text);
    collapseNbspInPlace(text);
    return text;
}

} // namespace

namespace {

// Where the text strictly between the markers lies in the page, as betweenMarkers cuts it. Counted
// from 0 throughout; only `start`, where the marker search found the start marker, counts from 1.
struct Span
{
    std::size_t at = 0;
    std::size_t length = 0;
};

Span markerSpan(std::u16string_view page, std::ptrdiff_t start, std::u16string_view startMarker,
                std::u16string_view endMarker)
{
    constexpr auto none = std::u16string_view::npos;
    const std::size_t marker = start > 1 ? static_cast<std::size_t>(start - 1) : 0;
    const std::size_t from = marker + startMarker.size();
    std::size_t end = marker < page.size() ? page.find(endMarker, marker) : none;
    if (end == none || end < from) {
        // The end marker began inside the start marker itself: the next one after it ends the text.
        end = page.find(endMarker, from);
    }
    if (end == none || end <= from || from >= page.size()) {
        return {};
    }
    return {from, end - from};
}

} // namespace

std::u16string betweenMarkers(std::u16string_view page, std::ptrdiff_t start, std::u16string_view startMarker,
                              std::u16string_view endMarker)
{
    const Span span = markerSpan(page, start, startMarker, endMarker);
    return std::u16string(page.substr(span.at, span.length));
}

ArticleMarkers locateArticleMarkers(std::u16string_view page, std::u16string_view FilterHeadline1,
                                    std::u16string_view FilterHeadline2, std::u16string_view FilterText1,
                                    std::u16string_view FilterText2)
{
    ArticleMarkers markers;
    // A page that lacks the headline markers is rejected even when its text markers are there.
    markers.headline = findMarkerPair(page, FilterHeadline1, FilterHeadline2);
    if (markers.headline.miss != MarkerMiss::None) {
        markers.missing =
            markers.headline.miss == MarkerMiss::Start ? ArticleMarker::Headline1 : ArticleMarker::Headline2;
        return markers;
    }
    markers.text = findMarkerPair(page, FilterText1, FilterText2);
    if (markers.text.miss != MarkerMiss::None) {
        markers.missing = markers.text.miss == MarkerMiss::Start ? ArticleMarker::Text1 : ArticleMarker::Text2;
    }
    return markers;
}

namespace {

struct ArticleParts
{
    std::u16string headline;  ///< without its tags, trimmed
    std::u16string_view body; ///< as cut, tags and all: a stretch of the page
};

// The headline and the text of an article page; nothing when a marker is missing, which is
// reported when there is a reporter to tell.
std::optional<ArticleParts> cutParts(run::Reporter* reporter, std::u16string_view page,
                                     std::u16string_view FilterHeadline1, std::u16string_view FilterHeadline2,
                                     std::u16string_view FilterText1, std::u16string_view FilterText2)
{
    const ArticleMarkers markers =
        locateArticleMarkers(page, FilterHeadline1, FilterHeadline2, FilterText1, FilterText2);
    if (markers.missing != ArticleMarker::None) {
        if (reporter) {
            reportMissing(*reporter, markers.missing, FilterHeadline1, FilterHeadline2, FilterText1, FilterText2);
        }
        return std::nullopt;
    }
    const auto headlineAt = markers.headline.start;
    const auto textAt = markers.text.start;
    ArticleParts parts;
    parts.headline =
        text::Trim(RemoveTags(betweenMarkers(page, headlineAt, FilterHeadline1, FilterHeadline2), u"<", u">"));
    const Span span = markerSpan(page, textAt, FilterText1, FilterText2);
    std::u16string_view& body = parts.body;
    body = page.substr(span.at, span.length);
    // A comment among the last 21 characters usually opens the end marker's surroundings. A text
    // that short is searched whole: all of it lies among its last 21 characters.
    if (const auto comment = body.find(u"<!", body.size() > 21 ? body.size() - 21 : 0);
        comment != std::u16string_view::npos) {
        body = body.substr(0, comment);
    }
    // The rest of a start marker that ends inside a tag ("...>").
    if (const auto gt = body.find(u'>'); gt == 0 || gt == 1) {
        body.remove_prefix(gt + 1);
    }
    return parts;
}

} // namespace

std::vector<std::vector<std::u16string>>
picturesOfArticle(std::u16string_view page, std::u16string_view FilterHeadline1, std::u16string_view FilterHeadline2,
                  std::u16string_view FilterText1, std::u16string_view FilterText2,
                  std::u16string_view ServerAddressHeader, std::u16string_view articleAddress)
{
    std::vector<std::vector<std::u16string>> pictures;
    const auto parts = cutParts(nullptr, page, FilterHeadline1, FilterHeadline2, FilterText1, FilterText2);
    if (parts) {
        for (const PictureTag& tag : findPictures(parts->body)) {
            if (!tag.address.empty()) {
                pictures.push_back(pictureTries(tag.address, ServerAddressHeader, articleAddress));
            }
        }
    }
    return pictures;
}

namespace {

// Everything after the cut: the headline block and the cleaned text. Every step works in the
// text's own storage and moves nothing where it finds nothing to do, so an article of many
// megabytes is held once: only what a step adds (replacements longer than what they replace,
// blanks for the screen) waits apart until the reading makes room for it.
std::u16string cleanArticle(ExtractContext& ctx, const std::u16string& headline, std::u16string body,
                            std::u16string_view TagOption, std::u16string_view TableOption,
                            std::u16string_view PixOption, std::u16string_view ServerAddressHeader,
                            std::u16string_view articleAddress, std::int32_t& minPix)
{
    const bool plainText = TagOption == u"RemoveAll";
    const std::u16string head = plainText ? headline : HeadlineBlock(ctx.fitting, headline);
    if (PixOption == u"KeepPix") {
        keepPixInPlace(ctx, body, ServerAddressHeader, articleAddress, minPix);
    } else {
        removeTagsInPlace(body, u"<img", u">");
    }
    if (TableOption == u"RemoveTable") {
        body = removeTables(std::move(body));
    } else if (TableOption == u"RemoveTableTag") {
        body = removeTableTags(std::move(body));
    }
    removeTagsInPlace(body, u"<a", u">");
    removeTagsInPlace(body, u"</a", u">");
    removeTagsInPlace(body, u"<script", u"</script>");
    if (plainText) {
        // LF CR, in this order, is what plain-text pages were always written with.
        for (const char16_t* tag : {u"<br", u"<p", u"</p"}) {
            replaceTagsInPlace(body, tag, u">", u"\n\r");
        }
        removeTagsInPlace(body, u"<", u">");
        body.insert(0, head);
        // Last, so that nothing an earlier cut joined together escapes it: a "<" whose ">" was
        // cut away would take the page's next text into a tag.
        plainTextInPlace(body);
        return body;
    }
    const MarkupPolicy policy{TableOption != u"RemoveTable" && TableOption != u"RemoveTableTag",
                              PixOption == u"KeepPix"};
    if (ctx.unfitted && ctx.fitting.FitToScreen == u"E") {
        *ctx.unfitted = HeadlineBlock(LineFitting{}, headline) + body;
        sanitizeMarkupInPlace(*ctx.unfitted, policy);
    }
    addSpcInPlace(ctx.fitting, body);
    body.insert(0, head);
    // Last, so that nothing an earlier cut joined together escapes it.
    sanitizeMarkupInPlace(body, policy);
    return body;
}

} // namespace

std::u16string CutNews(ExtractContext& ctx, std::u16string page, std::u16string_view FilterHeadline1,
                       std::u16string_view FilterHeadline2, std::u16string_view FilterText1,
                       std::u16string_view FilterText2, std::u16string_view TagOption, std::u16string_view TableOption,
                       std::u16string_view PixOption, std::u16string_view ServerAddressHeader,
                       std::u16string_view articleAddress, std::int32_t& minPix)
{
    const auto parts = cutParts(&ctx.reporter, page, FilterHeadline1, FilterHeadline2, FilterText1, FilterText2);
    if (!parts) {
        std::u16string().swap(page);
        return {};
    }
    // The text is cut out of the page's own storage, which the article then keeps.
    const auto at = static_cast<std::size_t>(parts->body.data() - page.data());
    page.resize(at + parts->body.size());
    page.erase(0, at);
    return cleanArticle(ctx, parts->headline, std::move(page), TagOption, TableOption, PixOption, ServerAddressHeader,
                        articleAddress, minPix);
}

} // namespace vz::extract
