#include "extract/line_fitting.h"

#include <gtest/gtest.h>

#include "run/text.h"

namespace vz::test {
namespace {

using extract::AddSpc;

extract::LineFitting fitting(std::int16_t letters, const char16_t* setting = u"E")
{
    extract::LineFitting f{setting, letters, {}};
    extract::SetLetterWidths(f.LetterWidths);
    return f;
}

TEST(AddSpc, LeavesTextAloneUnlessFittingIsExactlyOn)
{
    for (const char16_t* setting : {u"J", u"e", u"", u" E"}) {
        EXPECT_EQ(AddSpc(fitting(10, setting), u"一二三四五六七八九十一二三四五六七八九十ABC <p>"),
                  u"一二三四五六七八九十一二三四五六七八九十ABC <p>");
    }
}

// A line of n letters allows 2n - 1 units: a double-byte character counts 2, a letter its width
// (i 0.3 to W 1.7), anything else 1.
TEST(AddSpc, PlacesBlanksWhereScriptsMeetAndWhereTheLineIsFull)
{
    const std::tuple<int, const char16_t*, const char16_t*> cases[] = {
        {10, u"一二三四五六七八九十一二三四五六七八九十", u"一二三四五六七八九十 一二三四五六七八九十 "},
        {10, u"一二三四五六七八九", u"一二三四五六七八九"},
        {40, u"日本ABC", u"日本 ABC"},
        {40, u"ABC日本", u"ABC 日本"},
        {40, u"<b>日本", u"<b> 日本"},
        {40, u"a  b", u"a b"},
        {40, u"a <br>b", u"a<br>b"},
        {40, u"a \r\nb", u"a\r\nb"},
        {40, u"日 本", u"日  本"},
        {40, u"日 a", u"日 a"},
        {40, u"a\u3000b", u"a\u3000 b"},
        {40, u"<a href=x>unclosed", u"<a href=x>unclosed"},
        {40, u"<unclosed", u"<unclosed"},
        {40, u"&nbsp;日", u"&nbsp; 日"},
        {40, u"ｱｲｳ日", u"ｱｲｳ 日"},
        // Paragraph and break tags start a new line, in any case; without the reset 5 + 5
        // characters would reach 20 units and get a break. Any other tag keeps the count.
        {10, u"一二三四五<p>一二三四五", u"一二三四五<p> 一二三四五"},
        {10, u"一二三四五<P>一二三四五", u"一二三四五<P> 一二三四五"},
        {10, u"一二三四五<br>一二三四五", u"一二三四五<br> 一二三四五"},
        {10, u"一二三四五<BR>一二三四五", u"一二三四五<BR> 一二三四五"},
        {10, u"一二三四五</p>一二三四五", u"一二三四五</p> 一二三四五"},
        {10, u"一二三四五<Br/>一二三四五", u"一二三四五<Br/> 一二三四五"},
        {10, u"一二三四五<b>一二三四五", u"一二三四五<b> 一二三四 五"},
        // WWW and its blank make 6.1 units, WWWW and its blank 7.8: past the 7 of 4 letters.
        {4, u"WWW日", u"WWW 日 "},
        {4, u"WWWW日", u"WWWW  日"},
        // &nbsp; counts 1 and leaves room on a line of 5 units; &NBSP; counts 6 and fills it.
        {3, u"&nbsp;日", u"&nbsp; 日"},
        {3, u"&NBSP;日", u"&NBSP;  日"},
    };
    for (const auto& [letters, in, out] : cases) {
        EXPECT_EQ(text::toUtf8(AddSpc(fitting(static_cast<std::int16_t>(letters)), in)), text::toUtf8(out))
            << text::toUtf8(in) << " in lines of " << letters;
    }
    EXPECT_EQ(extract::LetterWidth(fitting(4).LetterWidths, u'['), 1.0F) << "codes between the letter ranges";
    // "ab " reaches 2.85 units and is recorded; the long word after it passes the limit without
    // getting a blank, and the count goes on from that blank.
    EXPECT_EQ(AddSpc(fitting(3), u"ab cdefghijkl 日").substr(0, 13), u"ab cdefghijkl");
}

} // namespace
} // namespace vz::test
