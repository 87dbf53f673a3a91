#include "platform/cp932.h"

#include <gtest/gtest.h>

namespace vz::test {
namespace {

// The corpus test holds the round trip of Japanese text; here are the bytes and characters it never meets.
TEST(Cp932, BytesThatFormNoCharacterReadAsAStandInAndCharactersItCannotHoldAsReferences)
{
    EXPECT_EQ(platform::decodeCp932("a\x81 b\xFF"), u"a\uFFFD b\uFFFD");
    const auto encoded = platform::encodeCp932(u"a😀b€😀\u00E9");
    EXPECT_EQ(encoded.bytes, "a&#128512;b&#8364;&#128512;&#233;");
    EXPECT_EQ(encoded.unmappable, (std::vector<char32_t>{0x1F600, 0x20AC, 0xE9}));
    EXPECT_EQ(platform::encodeCp932(std::u16string(1, u'\xD800')).bytes, "&#65533;") << "a lone surrogate";
}

} // namespace
} // namespace vz::test
