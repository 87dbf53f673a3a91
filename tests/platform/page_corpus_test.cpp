// A generated corpus of news-like pages in the four Japanese encodings, checked against the
// byte-level Japanese converter nkf: each page must be detected as what it is and read as nkf
// reads it.

#include "platform/page_converter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
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

using platform::PageEncoding;

std::vector<std::u16string> split(std::u16string_view list)
{
    std::vector<std::u16string> pieces;
    for (std::size_t from = 0, bar; from <= list.size(); from = bar + 1) {
        bar = std::min(list.find(u'|', from), list.size());
        pieces.emplace_back(list.substr(from, bar - from));
    }
    return pieces;
}

// Words and pieces a news page is made of. The JIS forms of the symbols whose Unicode form
// differs between JIS-based decoders and CP932 come with their CP932 forms.
const auto kWords = split(u"政府|首相|東京|大阪|経済|会議|発表|記者会見|株価|円安|選挙|国会|予算案|感染|対策|"
                          u"気象庁|台風|地震|震度|観測|警察|事件|容疑者|逮捕|裁判所|判決|企業|決算|売上高|増加|"
                          u"減少|前年比|野球|優勝|試合|選手|監督|展覧会|開催|住民|説明会|鉄道|運転|見合わせ|"
                          u"高速道路|渋滞|北海道|九州|沖縄|教育|大学|入試|医療|病院|研究|開発|宇宙|打ち上げ|"
                          u"成功|鬱陶しい|蝋燭|淘汰|焦燥");
const auto kKana = split(u"は|が|を|に|で|と|の|から|まで|について|によると|しました|している|された|です|"
                         u"ました|ことし|きょう|あす|ため|ニュース|データ|システム|サービス|チーム|ワクチン|"
                         u"メーカー|エネルギー|インターネット|プロジェクト|スマートフォン");
const auto kMarks = split(u"、|。|「|」|『|』|（|）|・|…|※|１２３|３月１２日|約５０％|第３四半期");
const auto kVariants = split(u"\u301C|\u2016|\u2212|\u00A2|\u00A3|\u00AC|\u2014|～|∥|－|￠|￡|￢|―");
const auto kNecSymbols = split(u"①|②|⑩|㈱|㈲|№|℡|Ⅰ|Ⅱ|㌔|㍉");
const auto kIbmKanji = split(u"髙橋|山﨑|德永");
const auto kHalfWidth = split(u"ﾆｭｰｽ|ｶﾀｶﾅ|ﾃﾞｰﾀ|ｿﾌﾄ");
const auto kAscii = split(u"<p>|</p>\r\n|<br>|<a href=\"/news/2026/1207.html\">|</a>| |GDP|AI|2026|10:30|\r\n");

// What the JIS forms read as in CP932, written out by hand.
std::u16string asCp932Reads(std::u16string text)
{
    static const std::vector<std::pair<char16_t, char16_t>> kPairs = {
        {u'\u301C', u'～'}, {u'\u2016', u'∥'},  {u'\u2212', u'－'}, {u'\u00A2', u'￠'},
        {u'\u00A3', u'￡'}, {u'\u00AC', u'￢'}, {u'\u2014', u'―'}};
    for (auto& c : text) {
        for (const auto& [jis, cp932] : kPairs) {
            if (c == jis) {
                c = cp932;
            }
        }
    }
    return text;
}

struct Sample
{
    PageEncoding encoding;
    bool byteOrderMark = false;
    std::u16string text;
    std::string bytes;
};

std::optional<std::string> encodeWithIcu(const char* converter, const std::u16string& text)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, void (*)(UConverter*)> cnv(ucnv_open(converter, &status), ucnv_close);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    ucnv_setFromUCallBack(cnv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    std::string out(text.size() * 4 + 16, '\0');
    const int32_t n =
        ucnv_fromUChars(cnv.get(), out.data(), static_cast<int32_t>(out.size()),
                        reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::optional<std::string> encode(PageEncoding encoding, const std::u16string& text)
{
    switch (encoding) {
    case PageEncoding::ShiftJis: {
        auto encoded = platform::encodeCp932(text);
        if (!encoded.unmappable.empty()) {
            return std::nullopt;
        }
        return encoded.bytes;
    }
    case PageEncoding::EucJp:
        // JIS encodings have one code for each symbol pair; the encoder knows it by its CP932 form.
        return encodeWithIcu("EUC-JP", asCp932Reads(text));
    case PageEncoding::Iso2022Jp:
        return encodeWithIcu("ISO-2022-JP", asCp932Reads(text));
    default:
        return text::toUtf8(text);
    }
}

const char* metaLabel(PageEncoding encoding)
{
    switch (encoding) {
    case PageEncoding::ShiftJis:
        return "Shift_JIS";
    case PageEncoding::EucJp:
        return "EUC-JP";
    case PageEncoding::Iso2022Jp:
        return "ISO-2022-JP";
    default:
        return "UTF-8";
    }
}

class CorpusWriter
{
public:
    explicit CorpusWriter(unsigned seed) : m_random(seed) {}

    Sample make(PageEncoding encoding, std::size_t targetBytes, bool withMeta, bool byteOrderMark)
    {
        Sample s{encoding, byteOrderMark, {}, {}};
        if (withMeta) {
            s.text = u"<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=" +
                     text::u(metaLabel(encoding)) + u"\"><title>ニュース</title></head><body>\r\n";
        }
        std::size_t estimate = s.text.size();
        while (estimate < targetBytes) {
            const std::u16string piece = nextPiece(encoding);
            for (char16_t c : piece) {
                estimate += c < 0x80 ? 1 : c >= 0xFF61 && c <= 0xFF9F ? 2 : encoding == PageEncoding::Utf8 ? 3 : 2;
            }
            s.text += piece;
        }
        auto bytes = encode(encoding, s.text);
        if (!bytes || !platform::encodeCp932(s.text).unmappable.empty()) {
            ADD_FAILURE() << "the corpus text cannot be written in " << platform::encodingName(encoding);
            return s;
        }
        s.bytes = (byteOrderMark ? "\xEF\xBB\xBF" : "") + *bytes;
        return s;
    }

private:
    const std::u16string& pick(const std::vector<std::u16string>& from)
    {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(m_random)];
    }

    std::u16string nextPiece(PageEncoding encoding)
    {
        const int roll = std::uniform_int_distribution<int>(0, 99)(m_random);
        if (roll < 35) {
            return pick(kWords);
        }
        if (roll < 70) {
            return pick(kKana);
        }
        if (roll < 80) {
            return pick(kMarks);
        }
        if (roll < 86) {
            return pick(kAscii);
        }
        if (roll < 91) {
            return pick(kVariants);
        }
        if (roll < 94) {
            return pick(kNecSymbols);
        }
        // ISO-2022-JP has no half-width kana; neither it nor nkf's EUC-JP reading has IBM's kanji.
        if (roll < 97 && encoding != PageEncoding::Iso2022Jp) {
            return pick(kHalfWidth);
        }
        if (encoding == PageEncoding::ShiftJis || encoding == PageEncoding::Utf8) {
            return pick(kIbmKanji);
        }
        return pick(kWords);
    }

    std::mt19937 m_random;
};

std::vector<Sample> makeCorpus()
{
    constexpr int kPerEncoding = 55;
    const PageEncoding encodings[] = {PageEncoding::ShiftJis, PageEncoding::EucJp, PageEncoding::Iso2022Jp,
                                      PageEncoding::Utf8};
    CorpusWriter writer(20261207);
    std::vector<Sample> corpus;
    for (PageEncoding encoding : encodings) {
        for (int k = 0; k < kPerEncoding; ++k) {
            // Sizes spread evenly on a log scale from 40 bytes to 200 KB.
            const auto target = static_cast<std::size_t>(40.0 * std::pow(5000.0, k / double(kPerEncoding - 1)));
            const bool meta = target > 1000 && k % 3 == 0;
            const bool bom = encoding == PageEncoding::Utf8 && k % 4 == 1;
            corpus.push_back(writer.make(encoding, target, meta, bom));
        }
    }
    return corpus;
}

bool haveNkf()
{
    return std::system("command -v nkf >/dev/null 2>&1") == 0;
}

// Between the pages of one nkf run; plain ASCII, which every encoding here passes through.
const std::string kBoundary = "\n<!-- next sample -->\n";

// What `nkf -s -x -m0` makes of each page, as text: one run for all pages of an encoding, as
// starting nkf once per page takes most of the test's time. nkf is told the input encoding:
// its guess is not what is compared here, and it misreads a few pages of a few dozen bytes.
// A byte order mark, which nkf drops at the start of its input, is left out.
std::vector<std::u16string> nkfReadings(const TempDir& dir, PageEncoding encoding,
                                        const std::vector<const Sample*>& pages)
{
    std::string batch;
    for (const Sample* page : pages) {
        batch += (page->byteOrderMark ? page->bytes.substr(3) : page->bytes) + kBoundary;
    }
    const auto in = dir.path() / "in.bin";
    const auto out = dir.path() / "out.bin";
    writeBytes(in, batch);
    const char* input = encoding == PageEncoding::ShiftJis    ? "-S"
                        : encoding == PageEncoding::EucJp     ? "-E"
                        : encoding == PageEncoding::Iso2022Jp ? "-J"
                                                              : "-W";
    const std::string command =
        std::string("nkf -s -x -m0 ") + input + " '" + in.string() + "' > '" + out.string() + "'";
    if (std::system(command.c_str()) != 0) {
        return {};
    }
    const std::u16string all = platform::decodeCp932(readBytes(out));
    const std::u16string boundary = text::fromUtf8(kBoundary);
    std::vector<std::u16string> readings;
    for (std::size_t from = 0, at; (at = all.find(boundary, from)) != std::u16string::npos;
         from = at + boundary.size()) {
        readings.push_back(all.substr(from, at - from));
    }
    return readings;
}

// Where two long texts part, with a little of each around it, instead of both whole.
::testing::AssertionResult sameText(const std::u16string& actual, const std::u16string& expected)
{
    if (actual == expected) {
        return ::testing::AssertionSuccess();
    }
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) {
        ++at;
    }
    const std::size_t from = at < 10 ? 0 : at - 10;
    return ::testing::AssertionFailure() << "texts part at character " << at << " of " << actual.size() << " (expected "
                                         << expected.size() << "): got \"" << text::toUtf8(actual.substr(from, 30))
                                         << "\", expected \"" << text::toUtf8(expected.substr(from, 30)) << "\"";
}

TEST(PageCorpus, EveryPageIsDetectedAndReadAsNkfReadsIt)
{
    ASSERT_TRUE(haveNkf()) << "nkf is not on PATH: install the nkf package (apt-get install nkf); this test "
                              "compares the conversion with it";
    const std::vector<Sample> corpus = makeCorpus();
    ASSERT_GE(corpus.size(), 200U);
    EXPECT_LE(corpus.front().bytes.size(), 80U);
    EXPECT_GE(corpus.back().bytes.size(), 190U * 1024U);

    TempDir dir;
    for (PageEncoding encoding :
         {PageEncoding::ShiftJis, PageEncoding::EucJp, PageEncoding::Iso2022Jp, PageEncoding::Utf8}) {
        std::vector<const Sample*> pages;
        for (const Sample& s : corpus) {
            if (s.encoding == encoding) {
                pages.push_back(&s);
            }
        }
        const std::vector<std::u16string> nkf = nkfReadings(dir, encoding, pages);
        ASSERT_EQ(nkf.size(), pages.size()) << "nkf failed on the " << platform::encodingName(encoding) << " pages";
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const Sample& s = *pages[i];
            SCOPED_TRACE(std::string(platform::encodingName(encoding)) + " sample " + std::to_string(i) + ", " +
                         std::to_string(s.bytes.size()) + " bytes");
            const auto page = platform::convertPage(s.bytes);
            EXPECT_EQ(page.encoding, s.encoding);
            EXPECT_EQ(page.invalidSequences, 0U);
            EXPECT_TRUE(sameText(page.text, asCp932Reads(s.text)));
            EXPECT_TRUE(sameText(page.text, nkf[i])) << "compared with nkf";
        }
    }
}

} // namespace
} // namespace vz::test
