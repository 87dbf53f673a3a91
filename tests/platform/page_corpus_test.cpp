// A generated corpus of news-like pages in the four Japanese encodings, checked against the
// byte-level Japanese converter nkf: each page must be detected as what it is and read as nkf
// reads it.

#include "support/pieces.h"
#include "platform/page_converter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include "platform/cp932.h"
#include "run/text.h"
#include "support/temp_dir.h"

namespace vz::test {
namespace {

using namespace std::string_literals;
using platform::PageEncoding;
using Words = std::vector<std::u16string>;

// Words and pieces a news page is made of. The JIS forms of the symbols whose Unicode form
// differs between JIS-based decoders and CP932 come with their CP932 forms.
const auto kWords = splitPieces(u"政府|首相|東京|大阪|経済|会議|発表|記者会見|株価|円安|選挙|国会|予算案|感染|対策|"
                                u"気象庁|台風|地震|震度|観測|警察|事件|容疑者|逮捕|裁判所|判決|企業|決算|売上高|増加|"
                                u"減少|前年比|野球|優勝|試合|選手|監督|展覧会|開催|住民|説明会|鉄道|運転|見合わせ|"
                                u"高速道路|渋滞|北海道|九州|沖縄|教育|大学|入試|医療|病院|研究|開発|宇宙|打ち上げ|"
                                u"成功|鬱陶しい|蝋燭|淘汰|焦燥");
const auto kKana = splitPieces(u"は|が|を|に|で|と|の|から|まで|について|によると|しました|している|された|です|"
                               u"ました|ことし|きょう|あす|ため|ニュース|データ|システム|サービス|チーム|ワクチン|"
                               u"メーカー|エネルギー|インターネット|プロジェクト|スマートフォン");
const auto kMarks = splitPieces(u"、|。|「|」|『|』|（|）|・|…|※|１２３|３月１２日|約５０％|第３四半期");
const auto kVariants = splitPieces(u"\u301C|\u2016|\u2212|\u00A2|\u00A3|\u00AC|\u2014|～|∥|－|￠|￡|￢|―");
const auto kNecSymbols = splitPieces(u"①|②|⑩|㈱|㈲|№|℡|Ⅰ|Ⅱ|㌔|㍉");
const auto kIbmKanji = splitPieces(u"髙橋|山﨑|德永");
const auto kHalfWidth = splitPieces(u"ﾆｭｰｽ|ｶﾀｶﾅ|ﾃﾞｰﾀ|ｿﾌﾄ");
const auto kAscii = splitPieces(u"<p>|</p>\r\n|<br>|<a href=\"/news/2026/1207.html\">|</a>| |GDP|AI|2026|10:30|\r\n");

// What the JIS forms read as in CP932, written out by hand.
std::u16string asCp932Reads(std::u16string text)
{
    const std::u16string_view jis = u"\u301C\u2016\u2212\u00A2\u00A3\u00AC\u2014", cp932 = u"～∥－￠￡￢―";
    for (auto& c : text) {
        if (const auto at = jis.find(c); at != std::u16string_view::npos) {
            c = cp932[at];
        }
    }
    return text;
}

std::u16string nextPiece(std::mt19937& random, PageEncoding encoding)
{
    // Shares in percent. ISO-2022-JP has no half-width kana; neither it nor nkf's EUC-JP reading
    // has IBM's kanji: words take their share.
    const double halfWidth = encoding == PageEncoding::Iso2022Jp ? 0 : 3;
    const double ibmKanji = encoding == PageEncoding::ShiftJis || encoding == PageEncoding::Utf8 ? 3 : 0;
    const Words* kinds[] = {&kWords, &kKana, &kMarks, &kAscii, &kVariants, &kNecSymbols, &kHalfWidth, &kIbmKanji};
    std::discrete_distribution<std::size_t> kind({41 - halfWidth - ibmKanji, 35, 10, 6, 5, 3, halfWidth, ibmKanji});
    const Words& from = *kinds[kind(random)];
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
}

// The text's bytes, empty when the encoding cannot hold it. The JIS encodings have one code
// for each symbol pair, which their encoder knows by its CP932 form.
std::string encode(PageEncoding encoding, const std::u16string& text)
{
    if (encoding == PageEncoding::ShiftJis) {
        const auto encoded = platform::encodeCp932(text);
        return encoded.unmappable.empty() ? encoded.bytes : "";
    }
    if (encoding == PageEncoding::Utf8) {
        return text::toUtf8(text);
    }
    const std::string utf8 = text::toUtf8(asCp932Reads(text));
    UErrorCode status = U_ZERO_ERROR;
    std::string out(utf8.size() * 4 + 16, '\0');
    out.resize(static_cast<std::size_t>(ucnv_convert(platform::encodingName(encoding), "UTF-8", out.data(),
                                                     static_cast<int32_t>(out.size()), utf8.data(),
                                                     static_cast<int32_t>(utf8.size()), &status)));
    return U_SUCCESS(status) ? out : "";
}

// A page's text and its bytes, which may begin with a byte order mark.
using Sample = std::pair<std::u16string, std::string>;
const std::string kBom = "\xEF\xBB\xBF";

// 4 encodings × 55 pages, in sizes spread evenly on a log scale from 40 bytes to 200 KB.
constexpr int kPages = 55;

std::vector<Sample> makePages(std::mt19937& random, PageEncoding encoding)
{
    std::vector<Sample> pages;
    for (int k = 0; k < kPages; ++k) {
        const auto target = static_cast<std::size_t>(40.0 * std::pow(5000.0, k / double(kPages - 1)));
        std::u16string source;
        if (target > 1000 && k % 3 == 0) {
            source = u"<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=" +
                     text::u(platform::encodingName(encoding)) + u"\"><title>ニュース</title></head><body>\r\n";
        }
        for (std::size_t estimate = source.size(); estimate < target;) {
            const std::u16string piece = nextPiece(random, encoding);
            for (char16_t c : piece) {
                estimate += c < 0x80 ? 1 : encoding == PageEncoding::Utf8 ? 3 : 2;
            }
            source += piece;
        }
        const std::string bytes = encode(encoding, source);
        EXPECT_FALSE(bytes.empty()) << "the corpus text cannot be written in " << platform::encodingName(encoding);
        pages.emplace_back(source, (encoding == PageEncoding::Utf8 && k % 4 == 1 ? kBom : "") + bytes);
    }
    return pages;
}

// What `nkf -s -x -m0` makes of each page, as text: one run for all pages of an encoding, as
// starting nkf once per page takes most of the test's time. nkf is told the input encoding:
// its guess is not what is compared here, and it misreads a few pages of a few dozen bytes.
std::vector<std::u16string> nkfReadings(const TempDir& dir, const char* inputOption, const std::vector<Sample>& pages)
{
    const std::string boundary = "\n<!-- next sample -->\n"; // ASCII, which every encoding here passes through
    std::string batch;
    for (const auto& [source, bytes] : pages) {
        batch += (bytes.starts_with(kBom) ? bytes.substr(3) : bytes) + boundary; // nkf would drop the mark
    }
    writeBytes(dir.path() / "in.bin", batch);
    const std::string command = "nkf -s -x -m0 "s + inputOption + " '" + (dir.path() / "in.bin").string() + "' > '" +
                                (dir.path() / "out.bin").string() + "'";
    std::vector<std::u16string> readings;
    if (std::system(command.c_str()) != 0) {
        return readings;
    }
    const std::u16string all = platform::decodeCp932(readBytes(dir.path() / "out.bin"));
    const std::u16string mark = text::fromUtf8(boundary);
    for (std::size_t from = 0, at; (at = all.find(mark, from)) != std::u16string::npos; from = at + mark.size()) {
        readings.push_back(all.substr(from, at - from));
    }
    return readings;
}

// Where two long texts part, with a little of each from there, instead of both whole.
std::string whereTheyPart(const std::u16string& got, const std::u16string& expected)
{
    const auto at = std::mismatch(got.begin(), got.end(), expected.begin(), expected.end()).first - got.begin();
    const auto from = static_cast<std::size_t>(at);
    return "texts part at character " + std::to_string(at) + ": got \"" + text::toUtf8(got.substr(from, 20)) +
           "\", expected \"" + text::toUtf8(expected.substr(from, 20)) + "\"";
}

TEST(PageCorpus, EveryPageIsDetectedAndReadAsNkfReadsIt)
{
    ASSERT_EQ(std::system("command -v nkf >/dev/null 2>&1"), 0)
        << "nkf is not on PATH (apt-get install nkf): this test compares the conversion with it";
    std::mt19937 random(20261207);
    TempDir dir;
    const std::pair<PageEncoding, const char*> encodings[] = {{PageEncoding::ShiftJis, "-S"},
                                                              {PageEncoding::EucJp, "-E"},
                                                              {PageEncoding::Iso2022Jp, "-J"},
                                                              {PageEncoding::Utf8, "-W"}};
    for (const auto& [encoding, nkfInput] : encodings) {
        const std::string name = platform::encodingName(encoding);
        const std::vector<Sample> pages = makePages(random, encoding);
        EXPECT_LE(pages.front().second.size(), 80U) << name;
        EXPECT_GE(pages.back().second.size(), 190U * 1024U) << name;
        const std::vector<std::u16string> nkf = nkfReadings(dir, nkfInput, pages);
        ASSERT_EQ(nkf.size(), pages.size()) << "nkf failed on the " << name << " pages";
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const auto& [source, bytes] = pages[i];
            SCOPED_TRACE(name + " sample " + std::to_string(i) + ", " + std::to_string(bytes.size()) + " bytes");
            const auto page = platform::convertPage(bytes);
            EXPECT_EQ(page.encoding, encoding);
            EXPECT_EQ(page.invalidSequences, 0U);
            const std::u16string expected = asCp932Reads(source);
            EXPECT_TRUE(page.text == expected) << whereTheyPart(page.text, expected);
            EXPECT_TRUE(page.text == nkf[i]) << "compared with nkf: " << whereTheyPart(page.text, nkf[i]);
        }
    }
}

} // namespace
} // namespace vz::test
