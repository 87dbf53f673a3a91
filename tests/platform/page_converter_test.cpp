#include "platform/charset_labels.h"
#include "platform/page_converter.h"

#include <random>
#include <string>

#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "platform/cp932_reading.h"
#include "platform/icu_decoding.h"
#include "run/text.h"
#include "support/temp_dir.h"
#include "test_paths.h"

namespace vz::test {
namespace {

using namespace std::string_literals;
using platform::convertPage;
using platform::PageEncoding;

std::string sample(const std::string& name)
{
    return readBytes(std::filesystem::path(kDataDir) / name);
}

TEST(PageConverter, Utf16SamplePagesReadAsTheSameJapaneseTextWithOrWithoutByteOrderMarks)
{
    const std::string expected = sample("news_expected.txt");
    // The other encodings' samples are held by the corpus and the end-to-end cases. Without their byte
    // order marks (2 bytes skipped) the zero bytes of the markup still tell UTF-16.
    const std::tuple<const char*, PageEncoding, std::size_t> pages[] = {
        {"news_utf-16le.html", PageEncoding::Utf16Le, 0},
        {"news_utf-16be.html", PageEncoding::Utf16Be, 0},
        {"news_utf-16le.html", PageEncoding::Utf16Le, 2},
        {"news_utf-16be.html", PageEncoding::Utf16Be, 2}};
    for (const auto& [file, encoding, skip] : pages) {
        SCOPED_TRACE(file + " skipping "s + std::to_string(skip));
        const auto converted = convertPage(sample(file).substr(skip));
        EXPECT_EQ(converted.encoding, encoding);
        EXPECT_FALSE(converted.declared);
        EXPECT_EQ(converted.invalidSequences, 0U);
        EXPECT_EQ(text::toUtf8(converted.text), expected);
    }
}

TEST(PageConverter, TextComesOutAsCp932HoldsItWithAStandInForBytesThatFormNoCharacter)
{
    const std::tuple<std::string, std::u16string, std::size_t> cases[] = {
        // Characters CP932 cannot hold become references, JIS forms their CP932 counterparts.
        {"<p>\xF0\x9F\x98\x80 caf\xC3\xA9 \xE2\x82\xAC \xEF\xBF\xBD \xE3\x80\x9C\xE2\x80\x94\xE2\x88\x92 "
         "\xE3\x81\x82</p>",
         u"<p>&#128512; caf&#233; &#8364; &#65533; ～―－ あ</p>", 0},
        {"\x1B$B$\"\x1B(J C:\\x~y \x1B(B", u"あ C:\\x~y ", 0},        // JIS Roman in ISO-2022-JP reads as ASCII
        {"\xEF\xBB\xBF\xE3\x81\x82\xE3\x81", u"あ〓", 1},             // cut inside the last character
        {"\xFF\xFE\x42\x30\x41", u"あ〓", 1},                         // odd byte at the end of UTF-16
        {"\xFF\xFE\x00\xD8\x41\x00"s, u"〓A", 1},                     // lone surrogate
        {"\xE3\x81\x82\xE3\x81\x84\xFF\xE3\x81\x86", u"あい〓う", 1}, // one stray byte in UTF-8
    };
    for (const auto& [bytes, expected, invalid] : cases) {
        const auto page = convertPage(bytes);
        EXPECT_EQ(text::toUtf8(page.text), text::toUtf8(expected));
        EXPECT_EQ(page.invalidSequences, invalid);
    }
}

TEST(PageConverter, ADeclaredCharsetIsHonouredWhereTheBytesAreValidInIt)
{
    const std::string latin = sample("menu_windows-1252.html");
    const std::string latinWithoutMeta = latin.substr(latin.find("<title>"));
    // EUC-JP hiragana, whose bytes CP932 reads as half-width kana.
    const std::string eucKana = "<p>\xA4\xB3\xA4\xEC\xA4\xCF\xA4\xC6\xA4\xB9\xA4\xC8\xA4\xC7\xA4\xB9\xA1\xA3</p>";
    // CP932 half-width kana (ﾆｭｰｽ ﾃﾞｰﾀ), whose bytes EUC-JP reads as kanji.
    const std::string sjisHalfWidth = "<p>\xC6\xAD\xB0\xBD \xC3\xDE\xB0\xC0</p>";
    const std::string sjis = sample("news_shift_jis.html");
    const std::string sjisMeta = "<meta charset=\"Shift_JIS\">";
    // EUC-JP (遒ゎい twice) whose bytes are valid UTF-8, as characters for private use.
    const std::string eucAsPrivateUse = "<meta charset=\"utf-8\"><p>\xEE\xA4\xA4\xEE\xA4\xA4</p>";
    const std::tuple<const char*, std::string, const char*, PageEncoding, bool> cases[] = {
        {"Latin-1 meta tag", latin, "", PageEncoding::Other, true},
        {"Latin-1 header", latinWithoutMeta, "ISO-8859-1", PageEncoding::Other, true},
        {"Latin-1 header on a Japanese page", sample("news_euc-jp.html"), "iso-8859-1", PageEncoding::EucJp, false},
        {"Shift_JIS meta tag on EUC-JP kana", sjisMeta + eucKana, "", PageEncoding::EucJp, false},
        {"Shift_JIS meta tag on half-width kana", sjisMeta + sjisHalfWidth, "", PageEncoding::ShiftJis, true},
        {"EUC-JP header on half-width kana", sjisHalfWidth, "EUC-JP", PageEncoding::EucJp, true},
        {"EUC-JP header over a Shift_JIS meta tag", sjisMeta + sjisHalfWidth, "EUC-JP", PageEncoding::EucJp, true},
        {"UTF-8 meta tag on EUC-JP", eucAsPrivateUse, "", PageEncoding::EucJp, false},
        {"UTF-8 header on a Shift_JIS page", sjis, "UTF-8", PageEncoding::ShiftJis, false},
        {"unknown label", sjis, "x-no-such-charset", PageEncoding::ShiftJis, false},
        {"UTF-16 label on an 8-bit page", sjis, "UTF-16", PageEncoding::ShiftJis, false},
    };
    for (const auto& [name, bytes, header, encoding, declared] : cases) {
        SCOPED_TRACE(name);
        const auto page = convertPage(bytes, header);
        EXPECT_EQ(page.encoding, encoding) << platform::encodingName(page.encoding);
        EXPECT_EQ(page.declared, declared);
        EXPECT_EQ(page.invalidSequences, 0U);
    }
    EXPECT_NE(convertPage(latin).text.find(u"Caf&#233; cr&#232;me br&#251;l&#233;e: 10 &#8364; × 2"),
              std::u16string::npos);
    EXPECT_NE(convertPage(eucKana, "Shift_JIS").text.find(u"これはてすとです。"), std::u16string::npos);
}

// A large page is read in pieces, and its bytes are given back as they are read: it reads as the
// same page in small does, however its characters fall across the pieces.
TEST(PageConverter, ALargePageReadsAsItsRepeatedPartsDo)
{
    const std::string stray = "<meta charset=\"utf-8\"><p>\xE3\x81\x82\xE3\x81\x84\xFF\xE3\x81\x86\xF0\x9F\x98\x80</p>";
    const std::pair<const char*, std::string> parts[] = {
        {"Shift_JIS", sample("news_shift_jis.html")},         {"EUC-JP", sample("news_euc-jp.html")},
        {"ISO-2022-JP", sample("news_iso-2022-jp.html")},     {"UTF-8", sample("news_utf-8.html")},
        {"UTF-16LE", sample("news_utf-16le.html").substr(2)}, {"UTF-8 with a stray byte", stray},
    };
    for (const auto& [name, part] : parts) {
        SCOPED_TRACE(name);
        const auto small = convertPage(part);
        // Past the size from which bytes are given back, and an odd number of parts so that they
        // straddle the pieces at ever other places.
        const std::size_t times = (3 * 1024 * 1024 / part.size()) | 1;
        std::string bytes;
        std::u16string text;
        for (std::size_t i = 0; i < times; ++i) {
            bytes += part;
            text += small.text;
        }
        for (const bool releasing : {false, true}) {
            const auto page = releasing ? platform::convertPageReleasing(bytes) : convertPage(bytes);
            EXPECT_EQ(page.encoding, small.encoding) << platform::encodingName(page.encoding);
            EXPECT_EQ(page.invalidSequences, small.invalidSequences * times);
            EXPECT_TRUE(page.text == text) << (releasing ? "given back as read" : "kept");
        }
    }
}

TEST(PageConverter, FindsCharsetLabelsInHeadersAndMetaTags)
{
    EXPECT_EQ(platform::charsetOfContentType("text/html;Charset=\"Shift_JIS\""), "Shift_JIS");
    EXPECT_EQ(platform::charsetOfContentType("text/html"), "");
    EXPECT_EQ(platform::charsetOfMetaTag("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=x-sjis\">"),
              "x-sjis");
    EXPECT_EQ(platform::charsetOfMetaTag("<meta name=\"a\" content=\"charset\"><meta charset='utf-8'>"), "utf-8");
    EXPECT_EQ(platform::charsetOfMetaTag("<p>charset=EUC-JP</p>"), "") << "only meta tags declare";
}

// Whatever the bytes, the text comes out, and it is text CP932 holds as it is; read as UTF-8, it
// is what ICU's decoder gives.
TEST(PageConverter, GarbageNeverFailsAndGivesPureCp932Text)
{
    std::mt19937 random(7);
    const std::string meta = "<meta charset=\"";
    const std::string prefixes[] = {"",       "\xEF\xBB\xBF", "\xFF\xFE",         "\xFE\xFF",
                                    "\x1B$B", "\x1B(J",       meta + "euc-jp\">", meta + "windows-1252\">"};
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = prefixes[round % 8];
        const int low = round % 3 == 0 ? 0 : 0x80;
        for (int i = std::uniform_int_distribution<int>(0, 300)(random); i > 0; --i) {
            bytes += static_cast<char>(std::uniform_int_distribution<int>(low, 255)(random));
        }
        const auto page = convertPage(bytes, round % 5 == 0 ? "utf-8" : "");
        const auto encoded = platform::encodeCp932(page.text);
        ASSERT_TRUE(encoded.unmappable.empty()) << "round " << round;
        ASSERT_EQ(platform::decodeCp932(encoded.bytes), page.text) << "round " << round;
        if (page.encoding == PageEncoding::Utf8 && !bytes.starts_with("\xEF\xBB\xBF")) {
            auto decoded = platform::decodeWith(platform::kUtf8, bytes);
            ASSERT_EQ(page.text, platform::asCp932Reads(std::move(decoded.text), false)) << "round " << round;
            ASSERT_EQ(page.invalidSequences, decoded.invalid) << "round " << round;
        }
    }
}

} // namespace
} // namespace vz::test
