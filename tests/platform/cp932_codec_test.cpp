#include "platform/cp932.h"

#include <cstdint>
#include <map>

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

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

// The tables, built from a few conversions of many characters, hold for every character the code
// ICU gives it on its own, and what that code reads back as.
TEST(Cp932, EncodesEveryCharacterAsICUDoesOnItsOwn)
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter* cnv = ucnv_open("windows-31j", &status);
    UConverter* back = ucnv_open("windows-31j", &status);
    ucnv_setFromUCallBack(cnv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    const std::map<char16_t, int> jisVariants = {{u'\u301C', 0x8160}, {u'\u2016', 0x8161}, {u'\u2212', 0x817C},
                                                 {u'\u00A2', 0x8191}, {u'\u00A3', 0x8192}, {u'\u00AC', 0x81CA},
                                                 {u'\u2014', 0x815C}};
    for (std::uint32_t c = 0; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) {
            continue;
        }
        const auto ch = static_cast<UChar>(c);
        char out[8];
        status = U_ZERO_ERROR;
        const int32_t n = ucnv_fromUChars(cnv, out, sizeof out, &ch, 1, &status);
        int expected = 63;
        if (const auto variant = jisVariants.find(static_cast<char16_t>(c)); variant != jisVariants.end()) {
            expected = static_cast<std::int16_t>(variant->second);
        } else if (U_SUCCESS(status) && n == 1) {
            expected = static_cast<unsigned char>(out[0]);
        } else if (U_SUCCESS(status) && n == 2) {
            expected = static_cast<std::int16_t>((static_cast<unsigned char>(out[0]) << 8) |
                                                 static_cast<unsigned char>(out[1]));
        }
        ASSERT_EQ(platform::cp932Code(static_cast<char16_t>(c)), expected) << std::hex << c;
        char16_t readBack = platform::kNotHeld;
        if (expected != 63 || c == '?') {
            const char code[2] = {static_cast<char>(expected < 0 ? (expected >> 8) & 0xFF : expected),
                                  static_cast<char>(expected & 0xFF)};
            UChar unit[2];
            status = U_ZERO_ERROR;
            ASSERT_EQ(ucnv_toUChars(back, unit, 2, code, expected < 0 ? 2 : 1, &status), 1) << std::hex << c;
            readBack = unit[0];
        }
        ASSERT_EQ(platform::cp932ReadBack()[c], readBack) << std::hex << c;
    }
    ucnv_close(cnv);
    ucnv_close(back);
}

} // namespace
} // namespace vz::test
