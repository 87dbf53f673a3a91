#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "extract/extract_context.h"
#include "extract/marker_search.h"

namespace vz::extract {

/// The four markers of an article page, in the order cutting checks them.
enum class ArticleMarker { None, Headline1, Headline2, Text1, Text2 };

/// Where an article page's marker pairs stand, and the first marker that cutting finds missing
/// (the text pair is not looked at when the headline pair is incomplete).
struct ArticleMarkers
{
    MarkerPair headline;
    MarkerPair text;
    ArticleMarker missing = ArticleMarker::None;
};
ArticleMarkers locateArticleMarkers(std::u16string_view page, std::u16string_view FilterHeadline1,
                                    std::u16string_view FilterHeadline2, std::u16string_view FilterText1,
                                    std::u16string_view FilterText2);

/// Cuts the headline and the text out of an article page by their marker pairs (searched
/// case-sensitively; neither marker is part of the result) and cleans them as the site's options
/// say: "RemoveAll" in `TagOption` gives plain text, "RemoveTable" or "RemoveTableTag" in
/// `TableOption` removes tables or only their tags, "KeepPix" in `PixOption` keeps pictures
/// (KeepPix), otherwise picture tags go. Last, an HTML article keeps only the markup
/// SanitizeMarkup allows (tables and pictures only where they are kept), and a plain-text one
/// none at all (PlainText). Returns the headline part followed by the text part, or, after a
/// report, nothing when a marker is missing.
/// The page is given up: the text is cut out of the page's own storage, which the article then
/// keeps, so a large page is not held beside its cleaned copies.
std::u16string CutNews(ExtractContext& ctx, std::u16string page, std::u16string_view FilterHeadline1,
                       std::u16string_view FilterHeadline2, std::u16string_view FilterText1,
                       std::u16string_view FilterText2, std::u16string_view TagOption, std::u16string_view TableOption,
                       std::u16string_view PixOption, std::u16string_view ServerAddressHeader,
                       std::u16string_view articleAddress, std::int32_t& minPix);

/// The addresses to try for each picture CutNews would hand to KeepPix, in order, without
/// reporting anything: for fetching the pictures of an article before its turn comes.
std::vector<std::vector<std::u16string>>
picturesOfArticle(std::u16string_view page, std::u16string_view FilterHeadline1, std::u16string_view FilterHeadline2,
                  std::u16string_view FilterText1, std::u16string_view FilterText2,
                  std::u16string_view ServerAddressHeader, std::u16string_view articleAddress);

/// The text strictly between a start marker found at 1-based `start` and the first end marker
/// at or after it. When that end marker begins inside the start marker itself (">" after "<h1>"),
/// the next one after the start marker ends the text; without one the text is empty.
std::u16string betweenMarkers(std::u16string_view page, std::ptrdiff_t start, std::u16string_view startMarker,
                              std::u16string_view endMarker);

} // namespace vz::extract
