#include "platform/cp932.h"

#include <gtest/gtest.h>

namespace vz::test {
namespace {

using platform::decodeCp932;
using platform::encodeCp932;

TEST(Cp932, JapaneseTextRoundTripsThroughItsBytes)
{
    const std::u16string text = u"日本語のニュース ｱｲｳ ①Ⅰ～∥－￢ abc\r\n";
    const auto encoded = encodeCp932(text);
    EXPECT_TRUE(encoded.unmappable.empty());
    EXPECT_EQ(encoded.bytes.substr(0, 6), "\x93\xFA\x96\x7B\x8C\xEA");
    EXPECT_EQ(decodeCp932(encoded.bytes), text);
    EXPECT_EQ(decodeCp932("a\x81\x20"
                          "b\xFF"),
              u"a\uFFFD b\uFFFD")
        << "bytes that form no character";
}

TEST(Cp932, CharactersItCannotHoldBecomeReferencesAndAreListedOnce)
{
    const auto encoded = encodeCp932(u"a😀b€😀\u00E9");
    EXPECT_EQ(encoded.bytes, "a&#128512;b&#8364;&#128512;&#233;");
    EXPECT_EQ(encoded.unmappable, (std::vector<char32_t>{0x1F600, 0x20AC, 0xE9}));
    EXPECT_EQ(encodeCp932(std::u16string(1, u'\xD800')).bytes, "&#65533;") << "a lone surrogate";
}

} // namespace
} // namespace vz::test
