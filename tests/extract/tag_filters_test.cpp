#include "extract/tag_filters.h"

#include <string>

#include <gtest/gtest.h>

#include "run/text.h"

namespace vz::test {
namespace {

using text::toUtf8;
using text::u;

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
