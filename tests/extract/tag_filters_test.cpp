#include "extract/tag_filters.h"

#include <array>
#include <string>

#include <gtest/gtest.h>

#include "run/text.h"

namespace vz::test {
namespace {

using text::toUtf8;
using text::u;

TEST(RemoveTags, CutsEveryStretchFromOpeningThroughClosingMarker)
{
    const std::array<const char*, 4> cases[] = {
        {"a<B>b</b>c", "<", ">", "abc"},
        {"x<TABLE border=1>y", "<table", ">", "xy"},
        {"<a href=x>link</a>", "<a", ">", "link</a>"},
        {"A&nbsp;B", "&", "nbsp", "A;B"},
        {"A&amp;B>C", "&", "nbsp", "AC"}, // no closing marker: through the next ">"
        {"a < b", "<", ">", "a < b"},     // neither: the rest stays
        {"x<table>1</table>y<TABLE>2</TABLE>z<table>3", "<table", "/table>", "xyz3"},
        {"<table>a<table>b</table>c</table>d", "<table", "/table>", "c</table>d"},
        {"<<a>a>", "<a", ">", ""}, // a stretch joined by a cut goes too
        {"<tab<table>le>x", "<table", ">", "x"},
        {"abc", "", ">", "abc"},
        {"abc", "a", "", "abc"},
        {"<SCRIPT>x()</Script>y", "<script", "</script>", "y"},
        {"<p>ニュース</p>", "<", ">", "ニュース"},
    };
    for (const auto& [text, opening, closing, expected] : cases) {
        EXPECT_EQ(toUtf8(extract::RemoveTags(u(text), u(opening), u(closing))), expected) << text;
    }
}

TEST(ReplaceTags, PutsTheReplacementInPlaceOfEachStretch)
{
    EXPECT_EQ(toUtf8(extract::ReplaceTags(u"r1</tr>r2</TR>", u"</tr", u">", u"<br>")), "r1<br>r2<br>");
    EXPECT_EQ(toUtf8(extract::ReplaceTags(u"a<BR>b<p class=x>c</P>", u"<br", u">", u"\n\r")), "a\n\rb<p class=x>c</P>");
    // A replacement that spells its own marker, alone or with what stood before it, would be found
    // forever, growing each time: the search goes on behind it.
    EXPECT_EQ(toUtf8(extract::ReplaceTags(u"<a>", u"<a", u">", u"<a>")), "<a>");
    EXPECT_EQ(toUtf8(extract::ReplaceTags(u"<b>", u"<", u">", u"<>>")), "<>>");
    std::u16string many, doubled;
    for (int i = 0; i < 1000; ++i) {
        many += u"x<B>";
        doubled += u"x<b><b>";
    }
    EXPECT_EQ(extract::ReplaceTags(many, u"<b", u">", u"<b><b>"), doubled);
    EXPECT_EQ(toUtf8(extract::ReplaceTags(u"x<<b>>", u"<b", u">", u"b")), "x<b>");
}

TEST(CollapseBreaksAndNbsp, JoinRunsSeparatedOnlyByBlanksOrTags)
{
    // In a run of breaks with blanks between, only the last is left whole.
    const std::pair<const char*, const char*> breaks[] = {
        {"A<br>\r\n<br>  <br>B", "A\r\n  <br>B"},
        {"A<br>x<br>B", "A<br>x<br>B"},
        {"A<BR><br />B", "A<br />B"},
        {"A<br <br>B", "A<br>B"},
        {"A<br /><br>B", "A<br /><br>B"}, // the rest of a longer break tag is content
        {"A<br<br>B", "A<br<br>B"},       // the second begins inside the first: nothing is cut into it
        {"<br>　<br>", "<br>　<br>"},     // an ideographic space is content
    };
    for (const auto& [text, expected] : breaks) {
        EXPECT_EQ(toUtf8(extract::CollapseBreaks(u(text))), expected) << text;
    }
    // Two no-break spaces with only tags and blanks between become one.
    const std::pair<const char*, const char*> spaces[] = {
        {"&nbsp;<br>&nbsp;", "&nbsp;"},         {"&nbsp;&nbsp;&nbsp;&nbsp;", "&nbsp;&nbsp;"},
        {"&nbsp;x&nbsp;", "&nbsp;x&nbsp;"},     {"a&nbsp; <b>\r\n</b> &nbsp;b", "a&nbsp;b"},
        {"&nbsp;<br&nbsp;", "&nbsp;<br&nbsp;"}, // an unclosed "<" is content
        {"&NBSP;&nbsp;", "&NBSP;&nbsp;"},
    };
    for (const auto& [text, expected] : spaces) {
        EXPECT_EQ(toUtf8(extract::CollapseNbsp(u(text))), expected) << text;
    }
}

TEST(Headline, BlockAndPickRoundTrip)
{
    extract::LineFitting off;
    EXPECT_EQ(toUtf8(extract::HeadlineBlock(off, u"")), "<p><h4></h4></p>");
    EXPECT_EQ(toUtf8(extract::HeadlineBlock(off, u"Big <b>news</b>")), "<p><h4>Big news</h4></p>");
    EXPECT_EQ(toUtf8(extract::PickHeadline(off, u"<p><h4>Title</h4></p>body")), "Title");
    // Without a block (or with an empty one): the first 30 characters left after the removals.
    EXPECT_EQ(toUtf8(extract::PickHeadline(off, u"A&nbsp;B <b>bold</b> 123456789012345678901234567890")),
              "A;B bold 123456789012345678901");
    EXPECT_EQ(toUtf8(extract::PickHeadline(off, u"<p><h4></h4></p>Text")), "Text");
    extract::LineFitting on{u"E", 3, {}};
    extract::SetLetterWidths(on.LetterWidths);
    EXPECT_EQ(toUtf8(extract::PickHeadline(on, u("<p><h4>ニュース</h4></p>"))), "ニュー ス");
}

} // namespace
} // namespace vz::test
