// The fast filters against the literal loops they replace, on seeded generated HTML-like texts.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/pieces.h"
#include "extract/article_cutting.h"
#include "extract/index_cutting.h"
#include "extract/picture_keeping.h"
#include "extract/tag_filters.h"
#include "extract/extract_harness.h"
#include "extract/literal_filters.h"
#include "run/text.h"

namespace vz::test {
namespace {

using Str = std::u16string;
using Pieces = std::vector<Str>;
using text::toUtf8;

constexpr int kInputs = 10000;

// Tags in both cases, markers cut short or run together, unclosed tags, entities without
// "nbsp", Japanese text, blanks and line ends.
const Pieces kHtml =
    splitPieces(u"<|>|<<|>>|<br>|<BR>|<br|<br />|br>|BR>|&nbsp;|&NBSP;|&nbsp|&|nbsp|;|<p>|</p>|<P class=x>|"
                u"<pre>|</p|<table>|<TABLE border=1>|</table>|/table>|<table|</TABLE|<tr>|</tr>|<TR|<td>|"
                u"</td>|<th>|</th>|<a href=\"x.html\">|<A HREF=x>|</a>|<abbr>|<a|<script>|</script>|"
                u"</SCRIPT>|<script|<img src=\"a.gif\">|<IMG SRC='b.gif'>|<img|<!-- c -->|<!|-->| |  |"
                u"\r\n|\n|\t|x|text|ab|ニュース|　|=|\"|'|/");
// Runs of breaks and no-break spaces with little between.
const Pieces kBreaks = splitPieces(u"<br>|<BR>|<br|<br />|&nbsp;|&nbsp|nbsp;|&| |\r\n|x|<b>|</b>|<|>|　|ア");
const Pieces kLinks =
    splitPieces(u"<a href=\"|<A HREF=|a href|\">|>|.html|.htm|.HTML|.asp?|.asp|id=3|.shtml|.php|news/1|x|"
                u" |'|,|\"|</a>|see page.html |href|#top| target=\"_top\"|\r\n|ニュース");
const Pieces kPictures =
    splitPieces(u"<img src=\"kept.gif\">|<IMG SRC='news/b.jpg' alt=\"x\">|<img src=http://pics/c.png>|"
                u"<img src=\"http://pics/c.png\">|<img>|<img src=\"\">|<img|"
                u"<img src=\"small.gif\" width=1>|<img alt=x src=\"img.php?id=3\">|text|>| |<p>|"
                u"ニュース|<img src=\"gone.gif\">");

Str generate(std::mt19937& rng, const Pieces& from, int maxPieces)
{
    std::uniform_int_distribution<std::size_t> pick(0, from.size() - 1);
    Str s;
    for (int n = std::uniform_int_distribution<int>(0, maxPieces)(rng); n > 0; --n) {
        s += from[pick(rng)];
    }
    return s;
}

// A marker drawn from the pieces, lower-cased as callers pass them: 1 to 3 characters.
Str drawMarker(std::mt19937& rng)
{
    const Str& piece = kHtml[std::uniform_int_distribution<std::size_t>(0, kHtml.size() - 1)(rng)];
    const std::size_t length = std::uniform_int_distribution<std::size_t>(1, 3)(rng);
    return text::LCase(piece.substr(std::uniform_int_distribution<std::size_t>(0, piece.size() - 1)(rng), length));
}

TEST(RemoveAndReplaceTags, MatchTheLiteralLoopOnGeneratedTexts)
{
    // The markers and replacements article cutting uses; all but the first three close with ">".
    std::vector<Pieces> used = {{u"<table", u"/table>", u""}, {u"<script", u"</script>", u""}, {u"&", u"nbsp", u""}};
    const std::pair<const char16_t*, const char16_t*> closedByGt[] = {
        {u"<|<img|<table|</table|<tr|</tr|<td|</td|<th|</th|<a|</a", u""},
        {u"</table", u"<br>&nbsp;<br>"},
        {u"</tr|</td|</th", u"<br>"},
        {u"<br|<p|</p", u"\n\r"}};
    for (const auto& [openings, replacement] : closedByGt) {
        for (const Str& opening : splitPieces(openings)) {
            used.push_back({opening, u">", replacement});
        }
    }
    std::mt19937 rng(1);
    for (int n = 0; n < 2 * kInputs; ++n) {
        const Str input = generate(rng, kHtml, 60);
        // Drawn replacements may hold their own opening marker: both must stop the same way.
        const Pieces m = n % 2 ? used[static_cast<std::size_t>(n / 2) % used.size()]
                               : Pieces{drawMarker(rng), drawMarker(rng), n % 4 ? generate(rng, kHtml, 2) : Str()};
        const std::string context = "input [" + toUtf8(input) + "] opening [" + toUtf8(m[0]) + "] closing [" +
                                    toUtf8(m[1]) + "] replacement [" + toUtf8(m[2]) + "]";
        ASSERT_EQ(toUtf8(extract::ReplaceTags(input, m[0], m[1], m[2])),
                  toUtf8(literal::ReplaceTags(input, m[0], m[1], m[2])))
            << context;
        if (m[2].empty()) {
            ASSERT_EQ(toUtf8(extract::RemoveTags(input, m[0], m[1])), toUtf8(literal::RemoveTags(input, m[0], m[1])))
                << context;
        }
    }
}

TEST(CollapseBreaksAndNbsp, MatchTheLiteralLoopsOnGeneratedTexts)
{
    std::mt19937 rng(3);
    for (int n = 0; n < kInputs; ++n) {
        const Str input = generate(rng, n % 4 ? kBreaks : kHtml, 60);
        ASSERT_EQ(toUtf8(extract::CollapseBreaks(input)), toUtf8(literal::CollapseBreaks(input))) << toUtf8(input);
        ASSERT_EQ(toUtf8(extract::CollapseNbsp(input)), toUtf8(literal::CollapseNbsp(input))) << toUtf8(input);
    }
}

TEST(PickHeadline, MatchesTheLiteralFiltersOnGeneratedArticles)
{
    std::mt19937 rng(4);
    extract::LineFitting fitting{u"E", 8, {}};
    extract::SetLetterWidths(fitting.LetterWidths);
    for (int n = 0; n < kInputs; ++n) {
        const Str input = (n % 2 ? u"<p><h4>" + generate(rng, kBreaks, 8) + u"</h4></p>" : Str()) +
                          generate(rng, n % 3 ? kHtml : kBreaks, 40);
        ASSERT_EQ(toUtf8(extract::PickHeadline(fitting, input)), toUtf8(literal::PickHeadline(fitting, input)))
            << toUtf8(input);
    }
}

TEST(CutMsg, MatchesTheLiteralLoopOnGeneratedLinkParts)
{
    std::mt19937 rng(5);
    ExtractHarness h;
    for (int n = 0; n < kInputs; ++n) {
        const Str input = generate(rng, kLinks, 40);
        Str fastPart = input, literalPart = input;
        std::vector<Str> fastList, literalList;
        ASSERT_EQ(extract::CutMsg(h.reporter, fastPart, fastList), literal::CutMsg(literalPart, literalList))
            << toUtf8(input);
        ASSERT_EQ(fastList, literalList) << toUtf8(input);
        ASSERT_EQ(fastPart, literalPart) << toUtf8(input);
    }
}

// A harness for the fast code and one for the literal, with line fitting on and pictures of
// every kind the fetching rules tell apart: kept, too small, absolute, found only through the
// article's folder, never found.
class FastAndLiteral : public ::testing::Test
{
protected:
    FastAndLiteral()
    {
        for (ExtractHarness* h : {&fast, &slow}) {
            h->pictures.resources = {{"http://site/kept.gif", std::string(300, 'k')},
                                     {"http://site/news/b.jpg", std::string(100, 'b')},
                                     {"http://pics/c.png", std::string(500, 'c')},
                                     {"http://site/news/small.gif", std::string(256, 's')},
                                     {"http://site/news/img.php?id=3", std::string(1000, 'p')}};
            h->fitting = {u"E", 12, {}};
            extract::SetLetterWidths(h->fitting.LetterWidths);
        }
    }

    ExtractHarness fast, slow;
};

TEST_F(FastAndLiteral, KeepPixMatchesOnGeneratedTexts)
{
    std::mt19937 rng(6);
    const std::int32_t sizes[] = {0, 256, 400, -1};
    for (int n = 0; n < kInputs; ++n) {
        // Only every tenth text is built from picture tags that can be fetched.
        const Str input = n % 10 ? generate(rng, kHtml, 20) : generate(rng, kPictures, 5);
        std::int32_t fastMin = sizes[n % 4], slowMin = fastMin;
        ASSERT_EQ(toUtf8(extract::KeepPix(fast.ctx, input, u"http://site/", u"http://site/news/today.html", fastMin)),
                  toUtf8(literal::KeepPix(slow.ctx, input, u"http://site/", u"http://site/news/today.html", slowMin)))
            << toUtf8(input);
        ASSERT_EQ(fast.pictures.PictureNumber, slow.pictures.PictureNumber) << toUtf8(input);
        ASSERT_EQ(fastMin, slowMin);
    }
    EXPECT_GT(fast.pictures.PictureNumber, 200);
    EXPECT_EQ(fast.pictures.requested, slow.pictures.requested);
    EXPECT_EQ(fast.pictures.prepared, slow.pictures.prepared);
}

TEST_F(FastAndLiteral, CutNewsMatchesOnGeneratedPages)
{
    std::mt19937 rng(7);
    const Str tagOptions[] = {u"RemoveAll", u"", u"removeall"};
    const Str tableOptions[] = {u"RemoveTable", u"RemoveTableTag", u"", u"RemoveAll"};
    const Str pixOptions[] = {u"KeepPix", u"", u"keeppix"};
    for (int n = 0; n < 2000; ++n) {
        const Str page = generate(rng, kHtml, 10) + u"<h1>" + generate(rng, kHtml, 10) + u"</h1>" +
                         generate(rng, kHtml, 10) + u"<div id=t>" +
                         (n % 10 ? generate(rng, kHtml, 40) : generate(rng, kPictures, 8)) + u"</div>" +
                         generate(rng, kHtml, 10);
        // Mostly the page's own markers; now and then drawn ones, which may be missing.
        const Str h1 = n % 5 ? u"<h1>" : drawMarker(rng);
        const Str t2 = n % 7 ? u"</div>" : drawMarker(rng);
        const Str &tag = tagOptions[n % 3], &table = tableOptions[n % 4], &pix = pixOptions[n % 5 % 3];
        std::int32_t fastMin = 0, slowMin = 0;
        const Str expected = literal::CutNews(slow.ctx, page, h1, u"</h1>", u"<div id=t>", t2, tag, table, pix,
                                              u"http://site/", u"http://site/news/today.html", slowMin);
        ASSERT_EQ(toUtf8(extract::CutNews(fast.ctx, page, h1, u"</h1>", u"<div id=t>", t2, tag, table, pix,
                                          u"http://site/", u"http://site/news/today.html", fastMin)),
                  toUtf8(expected))
            << toUtf8(page);
        ASSERT_EQ(fast.pictures.PictureNumber, slow.pictures.PictureNumber);
        ASSERT_EQ(fastMin, slowMin);
    }
}

} // namespace
} // namespace vz::test
