#include "platform/cp932.h"

#include <gtest/gtest.h>

namespace vz::test {
namespace {

using platform::cp932Code;
using platform::decodeCp932;
using platform::encodeCp932;

TEST(Cp932, JapaneseTextRoundTripsThroughItsBytes)
{
    const std::u16string text = u"日本語のニュース ｱｲｳ ①Ⅰ～∥－￢ abc\r\n";
    const auto encoded = encodeCp932(text);
    EXPECT_TRUE(encoded.unmappable.empty());
    EXPECT_EQ(encoded.bytes.substr(0, 6), "\x93\xFA\x96\x7B\x8C\xEA");
    EXPECT_EQ(decodeCp932(encoded.bytes), text);
}

TEST(Cp932, CharactersItCannotHoldBecomeReferencesAndAreListedOnce)
{
    const auto encoded = encodeCp932(u"a😀b€😀\u00E9");
    EXPECT_EQ(encoded.bytes, "a&#128512;b&#8364;&#128512;&#233;");
    EXPECT_EQ(encoded.unmappable, (std::vector<char32_t>{0x1F600, 0x20AC, 0xE9}));
    EXPECT_EQ(encodeCp932(std::u16string(1, u'\xD800')).bytes, "&#65533;") << "a lone surrogate";
}

TEST(Cp932, JisStyleSymbolsBecomeTheirCp932Counterparts)
{
    // wave dash, double vertical line, minus sign, cent, pound, not sign, em dash
    EXPECT_EQ(encodeCp932(u"\u301C\u2016\u2212\u00A2\u00A3\u00AC\u2014").bytes,
              "\x81\x60\x81\x61\x81\x7C\x81\x91\x81\x92\x81\xCA\x81\x5C");
}

TEST(Cp932, CodesTellSingleFromDoubleByteCharacters)
{
    EXPECT_EQ(cp932Code(u'A'), 65);
    EXPECT_EQ(cp932Code(u'\t'), 9);
    EXPECT_EQ(cp932Code(u'\0'), 0);
    EXPECT_EQ(cp932Code(u'ｱ'), 0xB1) << "half-width kana take one byte";
    EXPECT_EQ(cp932Code(u'日'), static_cast<std::int16_t>(0x93FA));
    EXPECT_TRUE(platform::isDoubleByte(u'\u3000'));
    EXPECT_FALSE(platform::isDoubleByte(u'€')) << "counts as the '?' it would be written as";
}

TEST(Cp932, InvalidBytesDecodeToAVisibleStandIn)
{
    const std::u16string text = decodeCp932("a\x81\x20"
                                            "b\xFF");
    EXPECT_EQ(text.front(), u'a');
    EXPECT_NE(text.find(u'b'), std::u16string::npos);
    EXPECT_NE(text.find(u'\uFFFD'), std::u16string::npos);
}

} // namespace
} // namespace vz::test
