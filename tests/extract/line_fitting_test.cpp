#include "extract/line_fitting.h"

#include <ostream>

#include <gtest/gtest.h>

#include "run/text.h"

namespace vz::test {
namespace {

using extract::AddSpc;
using extract::LineFitting;

LineFitting fitting(std::int16_t letters)
{
    LineFitting f;
    f.FitToScreen = u"E";
    f.NrLtrLine = letters;
    extract::SetLetterWidths(f.LetterWidths);
    return f;
}

const std::u16string kTenKanji = u"一二三四五六七八九十";

TEST(AddSpc, LeavesTextAloneUnlessFittingIsExactlyOn)
{
    LineFitting off = fitting(10);
    for (const char16_t* setting : {u"J", u"e", u"", u" E"}) {
        off.FitToScreen = setting;
        EXPECT_EQ(AddSpc(off, kTenKanji + kTenKanji + u"ABC <p>"), kTenKanji + kTenKanji + u"ABC <p>");
    }
}

TEST(AddSpc, BreaksALongJapaneseRunWheneverTheLineIsFull)
{
    // 10 letters a line allow 19 units: the 10th double-byte character reaches 20.
    EXPECT_EQ(AddSpc(fitting(10), kTenKanji + kTenKanji), kTenKanji + u" " + kTenKanji + u" ");
    EXPECT_EQ(AddSpc(fitting(10), kTenKanji.substr(0, 9)), kTenKanji.substr(0, 9));
}

struct Case
{
    const char16_t* in;
    const char16_t* out;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << text::toUtf8(c.in);
}

class AddSpcBoundaries : public ::testing::TestWithParam<Case>
{
};

TEST_P(AddSpcBoundaries, PlaceBlanksWhereScriptsMeet)
{
    EXPECT_EQ(AddSpc(fitting(40), GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, AddSpcBoundaries,
    ::testing::Values(Case{u"日本ABC", u"日本 ABC"}, Case{u"ABC日本", u"ABC 日本"}, Case{u"<b>日本", u"<b> 日本"},
                      Case{u"a  b", u"a b"}, Case{u"a <br>b", u"a<br>b"}, Case{u"a \r\nb", u"a\r\nb"},
                      Case{u"日 本", u"日  本"}, Case{u"日 a", u"日 a"}, Case{u"a\u3000b", u"a\u3000 b"},
                      Case{u"<a href=x>unclosed", u"<a href=x>unclosed"}, Case{u"<unclosed", u"<unclosed"},
                      Case{u"&nbsp;日", u"&nbsp; 日"}, Case{u"ｱｲｳ日", u"ｱｲｳ 日"}),
    [](const ::testing::TestParamInfo<Case>& param) { return "Case" + std::to_string(param.index); });

TEST(AddSpc, ParagraphAndBreakTagsStartANewLineInAnyCase)
{
    const std::u16string five = kTenKanji.substr(0, 5);
    for (const char16_t* tag : {u"<p>", u"<P>", u"<br>", u"<BR>", u"</p>", u"<Br/>"}) {
        // Without the reset, 5 + 5 characters would reach 20 units and get a break.
        EXPECT_EQ(AddSpc(fitting(10), five + tag + five), five + tag + u" " + five);
    }
    // Any other tag keeps the count: the line fills four characters after it.
    EXPECT_EQ(AddSpc(fitting(10), five + u"<b>" + five), five + u"<b> " + five.substr(0, 4) + u" " + five.substr(4));
}

TEST(AddSpc, LetterWidthsFollowTheirTable)
{
    const LineFitting f = fitting(4);
    float is = 0.0F;
    float ws = 0.0F;
    for (int n = 0; n < 4; ++n) {
        is += extract::LetterWidth(f.LetterWidths, u'i');
        ws += extract::LetterWidth(f.LetterWidths, u'W');
    }
    EXPECT_FLOAT_EQ(is, 1.2F);
    EXPECT_FLOAT_EQ(ws, 6.8F);
    EXPECT_EQ(extract::LetterWidth(f.LetterWidths, u'['), 1.0F) << "codes between the letter ranges";
    // 4 letters a line allow 7 units: WWW and its blank make 6.1, WWWW and its blank 7.8.
    EXPECT_EQ(AddSpc(f, u"WWW日"), u"WWW 日 ");
    EXPECT_EQ(AddSpc(f, u"WWWW日"), u"WWWW  日");
}

TEST(AddSpc, UpperCaseEntityCountsAsSixCharacters)
{
    // &nbsp; counts 1 and leaves room on a 3-letter line (5 units); &NBSP; counts 6 and fills it.
    EXPECT_EQ(AddSpc(fitting(3), u"&nbsp;日"), u"&nbsp; 日");
    EXPECT_EQ(AddSpc(fitting(3), u"&NBSP;日"), u"&NBSP;  日");
}

TEST(AddSpc, InsideALatinWordTheCountRestartsFromTheLastBlank)
{
    // 3 letters a line allow 5 units. "ab " reaches 2.85 and is recorded; the long word after
    // it passes the limit without getting a blank, and the count goes on from that blank.
    const std::u16string fitted = AddSpc(fitting(3), u"ab cdefghijkl 日");
    EXPECT_EQ(fitted.substr(0, 13), u"ab cdefghijkl");
}

} // namespace
} // namespace vz::test
