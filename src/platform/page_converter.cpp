#include "page_converter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include "platform/cp932.h"
#include "platform/icu_converter.h"

namespace vz::platform {
namespace {

constexpr const char* kUtf8 = "UTF-8";
constexpr const char* kCp932 = "windows-31j";
constexpr const char* kEucJp = "EUC-JP";
// The -2 variant reads every escape the plain one does and JIS X 0212 besides.
constexpr const char* kIso2022Jp = "ISO-2022-JP-2";

std::uint8_t byteAt(std::string_view bytes, std::size_t i)
{
    return static_cast<std::uint8_t>(bytes[i]);
}

// ---------------------------------------------------------------------------------------------
// What CP932 makes of each character.

// In `readsAs`: the character cannot be held and is written as a reference.
constexpr char16_t kReference = 0xFFFF;

class Cp932Reading
{
public:
    Cp932Reading()
    {
        m_readsAs.fill(kReference);
        std::string codes;
        std::vector<char16_t> chars;
        for (std::uint32_t c = 0; c < 0x10000; ++c) {
            const auto ch = static_cast<char16_t>(c);
            if ((c >= 0xD800 && c <= 0xDFFF) || (cp932Code(ch) == 63 && ch != u'?')) {
                continue;
            }
            const int code = cp932Code(ch);
            if (code >= 0) {
                codes += static_cast<char>(code);
            } else {
                const auto both = static_cast<std::uint16_t>(code);
                codes += static_cast<char>(both >> 8);
                codes += static_cast<char>(both & 0xFF);
            }
            chars.push_back(ch);
        }
        // Every CP932 character decodes to exactly one UTF-16 unit, so one decode of all the
        // codes lines up with the characters they came from.
        const std::u16string decoded = decodeCp932(codes);
        if (decoded.size() != chars.size()) {
            throw std::logic_error("CP932 codes do not decode one to one");
        }
        for (std::size_t i = 0; i < chars.size(); ++i) {
            m_readsAs[chars[i]] = decoded[i];
        }
    }
    char16_t readsAs(char16_t c) const { return m_readsAs[c]; }

private:
    std::array<char16_t, 0x10000> m_readsAs{};
};

const Cp932Reading& cp932Reading()
{
    static const Cp932Reading instance;
    return instance;
}

void appendReference(std::u16string& out, char32_t cp)
{
    char16_t digits[10];
    int n = 0;
    do {
        digits[n++] = static_cast<char16_t>(u'0' + cp % 10);
        cp /= 10;
    } while (cp != 0);
    out += u"&#";
    while (n > 0) {
        out += digits[--n];
    }
    out += u';';
}

// ISO-2022-JP's JIS-Roman set puts the yen sign and overline where ASCII has backslash and
// tilde; CP932 reads those bytes as ASCII, so they are taken as ASCII too.
char16_t jisRomanAsAscii(char16_t c)
{
    return c == u'\u00A5' ? u'\\' : c == u'\u203E' ? u'~' : c;
}

// Appends decoded[from...] as CP932 would give it back.
void appendAsCp932Reads(std::u16string& out, std::u16string_view decoded, std::size_t from, bool jisRoman)
{
    const auto& reading = cp932Reading();
    for (std::size_t i = from; i < decoded.size(); ++i) {
        const char16_t c = jisRoman ? jisRomanAsAscii(decoded[i]) : decoded[i];
        const char16_t r = reading.readsAs(c);
        if (r != kReference) {
            out += r;
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < decoded.size() && decoded[i + 1] >= 0xDC00 &&
            decoded[i + 1] <= 0xDFFF) {
            appendReference(out, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (decoded[i + 1] - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out += kInvalidStandIn;
        } else {
            appendReference(out, c);
        }
    }
}

// The decoded text as CP932 would give it back. Most pages hold nothing CP932 lacks, so their
// characters are replaced where they stand; only from the first one it lacks on is the text
// copied.
std::u16string asCp932Reads(std::u16string text, bool jisRoman)
{
    const auto& reading = cp932Reading();
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        const char16_t r = reading.readsAs(jisRoman ? jisRomanAsAscii(text[i]) : text[i]);
        if (r == kReference) {
            break;
        }
        text[i] = r;
    }
    if (i == text.size()) {
        return text;
    }
    std::u16string out;
    out.reserve(text.size() + 64);
    out.append(text, 0, i);
    appendAsCp932Reads(out, text, i, jisRoman);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Decoding through ICU with a visible stand-in for every byte sequence that forms no character.

struct ErrorCount
{
    std::size_t count = 0;
};

void standIn(const void* context, UConverterToUnicodeArgs* args, const char*, int32_t, UConverterCallbackReason reason,
             UErrorCode* err)
{
    if (reason > UCNV_IRREGULAR) {
        return;
    }
    ++static_cast<ErrorCount*>(const_cast<void*>(context))->count;
    *err = U_ZERO_ERROR;
    const UChar replacement = kInvalidStandIn;
    ucnv_cbToUWriteUChars(args, &replacement, 1, 0, err);
}

struct Decoded
{
    std::u16string text;
    std::size_t invalid = 0;
};

Decoded decodeWith(UConverter* cnv, std::string_view bytes)
{
    Decoded result;
    ErrorCount errors;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_reset(cnv);
    ucnv_setToUCallBack(cnv, standIn, &errors, nullptr, nullptr, &status);
    // No encoding gives more UTF-16 units than bytes, except a four-byte sequence's two; the
    // loop grows the buffer in the rare case it runs short.
    result.text.resize(bytes.size() + 16);
    const char* source = bytes.data();
    const char* const sourceEnd = source + bytes.size();
    std::size_t written = 0;
    for (;;) {
        auto* const start = reinterpret_cast<UChar*>(result.text.data());
        UChar* target = start + written;
        status = U_ZERO_ERROR;
        ucnv_toUnicode(cnv, &target, start + result.text.size(), &source, sourceEnd, nullptr, true, &status);
        written = static_cast<std::size_t>(target - start);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            result.text.resize(result.text.size() * 2);
            continue;
        }
        break;
    }
    if (U_FAILURE(status)) {
        throw std::runtime_error(std::string("page conversion failed: ") + u_errorName(status));
    }
    result.text.resize(written);
    result.invalid = errors.count;
    return result;
}

Decoded decodeWith(const char* converter, std::string_view bytes)
{
    return decodeWith(openRequired(converter).get(), bytes);
}

// ---------------------------------------------------------------------------------------------
// How plausible a reading of the bytes is as Japanese text.

// Character classes, with a flag for kana.
constexpr std::uint8_t kInvalid = 0;
constexpr std::uint8_t kGood = 1;    // kana, common punctuation, full-width letters, first-level kanji
constexpr std::uint8_t kNeutral = 2; // second-level kanji, other symbols, vendor kanji
constexpr std::uint8_t kOdd = 3;     // half-width kana, Greek, Cyrillic, box drawing, user-defined, JIS X 0212
constexpr std::uint8_t kClassMask = 3;
constexpr std::uint8_t kKana = 4; // full-width hiragana or katakana

// Class of a JIS X 0208 row (1 to 94), as both EUC-JP and Shift_JIS address it.
std::uint8_t rowClass(int row)
{
    if (row == 4 || row == 5) {
        return static_cast<std::uint8_t>(kGood | kKana);
    }
    if (row == 1 || row == 3 || (row >= 16 && row <= 47)) {
        return kGood;
    }
    if (row == 2 || row == 13 || (row >= 48 && row <= 84) || (row >= 89 && row <= 92)) {
        return kNeutral;
    }
    return kOdd;
}

bool decodesToOneCharacter(UConverter* cnv, const char* bytes, int32_t length)
{
    UErrorCode status = U_ZERO_ERROR;
    UChar out[4];
    const int32_t n = ucnv_toUChars(cnv, out, 4, bytes, length, &status);
    return U_SUCCESS(status) && n == 1;
}

ConverterPtr openStrict(const char* name)
{
    auto cnv = openRequired(name);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(cnv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    return cnv;
}

// Double-byte codes that CP932 assigns, indexed by lead byte * 256 + trail byte.
class SjisTable
{
public:
    SjisTable()
    {
        auto cnv = openStrict(kCp932);
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (lead >= 0xA0 && lead <= 0xDF) {
                continue;
            }
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                const char code[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                if (trail == 0x7F || !decodesToOneCharacter(cnv.get(), code, 2)) {
                    continue;
                }
                const int base = (lead <= 0x9F ? lead - 0x81 : lead - 0xC1) * 2;
                const int row = base + (trail >= 0x9F ? 2 : 1);
                std::uint8_t cls = kNeutral;
                if (row <= 94) {
                    cls = rowClass(row);
                } else if (lead <= 0xF9) {
                    cls = kOdd; // user-defined characters
                }
                m_classes[static_cast<std::size_t>(lead << 8 | trail)] = cls;
            }
        }
    }
    std::uint8_t at(std::uint8_t lead, std::uint8_t trail) const { return m_classes[lead << 8 | trail]; }

private:
    std::array<std::uint8_t, 0x10000> m_classes{};
};

// EUC-JP's two-byte (JIS X 0208 and vendor rows) and three-byte (JIS X 0212) codes.
class EucTable
{
public:
    EucTable()
    {
        auto cnv = openStrict(kEucJp);
        for (int first = 0xA1; first <= 0xFE; ++first) {
            for (int second = 0xA1; second <= 0xFE; ++second) {
                const char code[3] = {'\x8F', static_cast<char>(first), static_cast<char>(second)};
                const auto index = static_cast<std::size_t>(first << 8 | second);
                if (decodesToOneCharacter(cnv.get(), code + 1, 2)) {
                    m_classes[index] = rowClass(first - 0xA0);
                }
                m_supplementary[index] = decodesToOneCharacter(cnv.get(), code, 3);
            }
        }
    }
    std::uint8_t at(std::uint8_t first, std::uint8_t second) const { return m_classes[first << 8 | second]; }
    bool supplementary(std::uint8_t first, std::uint8_t second) const { return m_supplementary[first << 8 | second]; }

private:
    std::array<std::uint8_t, 0x10000> m_classes{};
    std::array<bool, 0x10000> m_supplementary{};
};

const SjisTable& sjisTable()
{
    static const SjisTable instance;
    return instance;
}

const EucTable& eucTable()
{
    static const EucTable instance;
    return instance;
}

struct Reading
{
    /// Characters seen by class (with the kana flag), kInvalid counting invalid sequences.
    std::array<std::size_t, 8> counts{};
    /// The scan gave up after too many invalid sequences.
    bool abandoned = false;

    std::size_t invalid() const { return counts[kInvalid]; }
    std::size_t good() const { return counts[kGood] + counts[kGood | kKana]; }
    std::size_t neutral() const { return counts[kNeutral]; }
    std::size_t odd() const { return counts[kOdd]; }
    std::size_t kana() const { return counts[kGood | kKana]; }
    bool valid() const { return invalid() == 0; }
    void count(std::uint8_t cls) { ++counts[cls]; }
    bool noteInvalid(std::size_t limit)
    {
        abandoned = ++counts[kInvalid] >= limit;
        return abandoned;
    }
    /// From -1 (nothing but odd characters) to 1 (nothing but common Japanese).
    double plausibility() const
    {
        const std::size_t all = good() + neutral() + odd();
        const double score = static_cast<double>(good()) - static_cast<double>(odd());
        return all == 0 ? 0.0 : score / static_cast<double>(all);
    }
    /// Reads as Japanese text beyond doubt.
    bool clearlyJapanese() const { return valid() && kana() > 0 && plausibility() >= 0.5; }
};

// Index of the first byte of 0x80 or over at or after `i`.
std::size_t skipAscii(std::string_view bytes, std::size_t i)
{
    const std::size_t n = bytes.size();
    while (i + 8 <= n) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        if (word & 0x8080808080808080ULL) {
            break;
        }
        i += 8;
    }
    while (i < n && byteAt(bytes, i) < 0x80) {
        ++i;
    }
    return i;
}

// A reading with this many invalid sequences is out of the running; only when every reading is
// the scans are repeated to the end to find the least damaged one.
constexpr std::size_t kHopeless = 64;
constexpr std::size_t kNoLimit = static_cast<std::size_t>(-1);

std::uint8_t unicodeClass(char32_t cp)
{
    if ((cp >= 0x3041 && cp <= 0x30FA)) {
        return static_cast<std::uint8_t>(kGood | kKana);
    }
    if ((cp >= 0x3000 && cp <= 0x30FF) || (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0xFF01 && cp <= 0xFF5E)) {
        return kGood;
    }
    if ((cp >= 0x80 && cp <= 0x9F) || (cp >= 0xE000 && cp <= 0xF8FF)) {
        return kOdd;
    }
    return kNeutral;
}

Reading scanUtf8(std::string_view bytes, std::size_t limit)
{
    Reading r;
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t b = byteAt(bytes, i);
        if (b < 0x80) {
            i = skipAscii(bytes, i + 1);
            continue;
        }
        std::size_t length = 0;
        std::uint8_t low = 0x80;
        std::uint8_t high = 0xBF;
        char32_t cp = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            cp = b & 0x0F;
            low = b == 0xE0 ? 0xA0 : 0x80;
            high = b == 0xED ? 0x9F : 0xBF;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            cp = b & 0x07;
            low = b == 0xF0 ? 0x90 : 0x80;
            high = b == 0xF4 ? 0x8F : 0xBF;
        }
        bool ok = length != 0 && i + length <= n;
        for (std::size_t k = 1; ok && k < length; ++k) {
            const std::uint8_t c = byteAt(bytes, i + k);
            const std::uint8_t lo = k == 1 ? low : 0x80;
            const std::uint8_t hi = k == 1 ? high : 0xBF;
            ok = c >= lo && c <= hi;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!ok) {
            if (r.noteInvalid(limit)) {
                return r;
            }
            ++i;
            continue;
        }
        r.count(unicodeClass(cp));
        i += length;
    }
    return r;
}

Reading scanSjis(std::string_view bytes, std::size_t limit)
{
    const auto& table = sjisTable();
    Reading r;
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t b = byteAt(bytes, i);
        if (b < 0x80) {
            i = skipAscii(bytes, i + 1);
            continue;
        }
        if (b >= 0xA1 && b <= 0xDF) {
            r.count(kOdd);
            ++i;
            continue;
        }
        const std::uint8_t cls = i + 1 < n ? table.at(b, byteAt(bytes, i + 1)) : kInvalid;
        if (cls == kInvalid) {
            if (r.noteInvalid(limit)) {
                return r;
            }
            ++i;
            continue;
        }
        r.count(cls);
        i += 2;
    }
    return r;
}

Reading scanEuc(std::string_view bytes, std::size_t limit)
{
    const auto& table = eucTable();
    Reading r;
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t b = byteAt(bytes, i);
        if (b < 0x80) {
            i = skipAscii(bytes, i + 1);
            continue;
        }
        std::size_t length = 0;
        if (b == 0x8E) {
            if (i + 1 < n && byteAt(bytes, i + 1) >= 0xA1 && byteAt(bytes, i + 1) <= 0xDF) {
                length = 2;
                r.count(kOdd);
            }
        } else if (b == 0x8F) {
            if (i + 2 < n && table.supplementary(byteAt(bytes, i + 1), byteAt(bytes, i + 2))) {
                length = 3;
                r.count(kOdd);
            }
        } else if (i + 1 < n) {
            const std::uint8_t cls = table.at(b, byteAt(bytes, i + 1));
            if (cls != kInvalid) {
                length = 2;
                r.count(cls);
            }
        }
        if (length == 0) {
            if (r.noteInvalid(limit)) {
                return r;
            }
            length = 1;
        }
        i += length;
    }
    return r;
}

// ---------------------------------------------------------------------------------------------
// Deciding the encoding.

struct Choice
{
    PageEncoding encoding = PageEncoding::Ascii;
    std::string converter; // empty for ASCII
    std::size_t skip = 0;  // bytes of a byte order mark
    bool declared = false;
};

const char* converterOf(PageEncoding e)
{
    switch (e) {
    case PageEncoding::Utf8:
        return kUtf8;
    case PageEncoding::Utf16Le:
        return "UTF-16LE";
    case PageEncoding::Utf16Be:
        return "UTF-16BE";
    case PageEncoding::ShiftJis:
        return kCp932;
    case PageEncoding::EucJp:
        return kEucJp;
    case PageEncoding::Iso2022Jp:
        return kIso2022Jp;
    default:
        return "";
    }
}

std::optional<Choice> byteOrderMark(std::string_view bytes)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        return Choice{PageEncoding::Utf8, kUtf8, 3, false};
    }
    if (bytes.substr(0, 2) == "\xFF\xFE") {
        return Choice{PageEncoding::Utf16Le, "UTF-16LE", 2, false};
    }
    if (bytes.substr(0, 2) == "\xFE\xFF") {
        return Choice{PageEncoding::Utf16Be, "UTF-16BE", 2, false};
    }
    return std::nullopt;
}

// UTF-16 without a byte order mark: the markup's ASCII characters leave a zero byte in every
// other place.
std::optional<Choice> zeroBytePattern(std::string_view bytes)
{
    const std::size_t n = std::min<std::size_t>(bytes.size(), 4096) & ~std::size_t{1};
    std::size_t zeroEven = 0;
    std::size_t zeroOdd = 0;
    for (std::size_t i = 0; i < n; i += 2) {
        zeroEven += bytes[i] == '\0';
        zeroOdd += bytes[i + 1] == '\0';
    }
    const std::size_t pairs = n / 2;
    if (pairs < 2) {
        return std::nullopt;
    }
    if (zeroOdd * 4 >= pairs && zeroEven * 16 <= zeroOdd) {
        return Choice{PageEncoding::Utf16Le, "UTF-16LE", 0, false};
    }
    if (zeroEven * 4 >= pairs && zeroOdd * 16 <= zeroEven) {
        return Choice{PageEncoding::Utf16Be, "UTF-16BE", 0, false};
    }
    return std::nullopt;
}

bool hasHighBytes(std::string_view bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

bool hasIso2022Escapes(std::string_view bytes)
{
    for (std::size_t at = bytes.find('\x1B'); at != std::string_view::npos; at = bytes.find('\x1B', at + 1)) {
        if (at + 1 < bytes.size() && (bytes[at + 1] == '$' || bytes[at + 1] == '(')) {
            return true;
        }
    }
    return false;
}

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

std::string lowered(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), lowerAscii);
    return out;
}

struct DeclaredCharset
{
    PageEncoding encoding;
    std::string converter;
};

bool oneOf(const std::string& label, std::initializer_list<const char*> names)
{
    return std::any_of(names.begin(), names.end(), [&](const char* name) { return label == name; });
}

// Whether the converter reads ASCII markup as ASCII; anything else cannot be what a page whose
// meta tag or server we could read declared.
bool readsAsciiAsAscii(UConverter* cnv)
{
    static constexpr std::string_view probe = "<meta charset=\"x\"> &#;\r\n";
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    UChar out[64];
    const int32_t n = ucnv_toUChars(cnv, out, 64, probe.data(), static_cast<int32_t>(probe.size()), &status);
    if (U_FAILURE(status) || n != static_cast<int32_t>(probe.size())) {
        return false;
    }
    for (int32_t i = 0; i < n; ++i) {
        if (out[i] != static_cast<UChar>(probe[static_cast<std::size_t>(i)])) {
            return false;
        }
    }
    return true;
}

std::optional<DeclaredCharset> resolveLabel(std::string_view rawLabel)
{
    const std::string label = lowered(rawLabel);
    if (label.empty()) {
        return std::nullopt;
    }
    if (oneOf(label, {"shift_jis", "shift-jis", "sjis", "x-sjis", "ms_kanji", "csshiftjis", "windows-31j", "cp932",
                      "ms932", "x-ms-cp932"})) {
        return DeclaredCharset{PageEncoding::ShiftJis, kCp932};
    }
    if (oneOf(label, {"euc-jp", "x-euc-jp", "eucjp", "euc_jp", "cseucpkdfmtjapanese", "eucjp-win", "eucjp-ms",
                      "euc-jp-ms", "cp51932"})) {
        return DeclaredCharset{PageEncoding::EucJp, kEucJp};
    }
    if (oneOf(label, {"iso-2022-jp", "csiso2022jp", "iso-2022-jp-1", "iso-2022-jp-2", "jis"})) {
        return DeclaredCharset{PageEncoding::Iso2022Jp, kIso2022Jp};
    }
    if (oneOf(label, {"utf-8", "utf8", "unicode-1-1-utf-8"})) {
        return DeclaredCharset{PageEncoding::Utf8, kUtf8};
    }
    // Browsers read every page labelled Latin-1 or ASCII as windows-1252; so do the pages' authors.
    if (oneOf(label, {"iso-8859-1", "iso8859-1", "iso_8859-1", "latin1", "l1", "us-ascii", "ascii", "cp1252",
                      "windows-1252", "x-cp1252", "cp819", "ibm819"})) {
        return DeclaredCharset{PageEncoding::Other, "windows-1252"};
    }
    auto cnv = openConverter(label.c_str());
    if (!cnv) {
        return std::nullopt;
    }
    switch (ucnv_getType(cnv.get())) {
    case UCNV_UTF7:
    case UCNV_UTF16:
    case UCNV_UTF16_BigEndian:
    case UCNV_UTF16_LittleEndian:
    case UCNV_UTF32:
    case UCNV_UTF32_BigEndian:
    case UCNV_UTF32_LittleEndian:
        // A page whose declaration could be read as ASCII is not in these; the byte order mark
        // and the zero bytes tell UTF-16 anyway.
        return std::nullopt;
    default:
        break;
    }
    UErrorCode status = U_ZERO_ERROR;
    const std::string name = ucnv_getName(cnv.get(), &status);
    if (name.rfind("ibm-943", 0) == 0 || name.rfind("ibm-942", 0) == 0 || name.rfind("ibm-932", 0) == 0) {
        return DeclaredCharset{PageEncoding::ShiftJis, kCp932};
    }
    if (name.rfind("euc-jp", 0) == 0 || name.rfind("ibm-33722", 0) == 0 || name.rfind("ibm-954", 0) == 0) {
        return DeclaredCharset{PageEncoding::EucJp, kEucJp};
    }
    if (name.rfind("ISO_2022,locale=ja", 0) == 0) {
        return DeclaredCharset{PageEncoding::Iso2022Jp, kIso2022Jp};
    }
    if (name == "UTF-8") {
        return DeclaredCharset{PageEncoding::Utf8, kUtf8};
    }
    if (!readsAsciiAsAscii(cnv.get())) {
        return std::nullopt;
    }
    return DeclaredCharset{PageEncoding::Other, name};
}

struct Readings
{
    Reading utf8;
    Reading sjis;
    Reading euc;

    const Reading& of(PageEncoding e) const
    {
        return e == PageEncoding::Utf8 ? utf8 : e == PageEncoding::ShiftJis ? sjis : euc;
    }
    static constexpr std::array<PageEncoding, 3> kOrder{PageEncoding::Utf8, PageEncoding::ShiftJis,
                                                        PageEncoding::EucJp};

    /// The valid reading that looks most like Japanese text, other than `except`; on a tie the
    /// earlier of UTF-8, CP932, EUC-JP. The share of plausible characters counts, not their
    /// number: a two-byte reading of three-byte UTF-8 finds more characters in the same bytes.
    std::optional<PageEncoding> bestValid(std::optional<PageEncoding> except = std::nullopt) const
    {
        std::optional<PageEncoding> best;
        for (PageEncoding e : kOrder) {
            if (e == except || !of(e).valid()) {
                continue;
            }
            if (!best || of(e).plausibility() > of(*best).plausibility()) {
                best = e;
            }
        }
        return best;
    }
};

Readings scanAll(std::string_view bytes, std::size_t limit)
{
    return Readings{scanUtf8(bytes, limit), scanSjis(bytes, limit), scanEuc(bytes, limit)};
}

Choice chooseJapanese(PageEncoding e, bool declared)
{
    return Choice{e, converterOf(e), 0, declared};
}

struct Decision
{
    Choice choice;
    /// Already decoded while checking a declared charset.
    std::optional<Decoded> decoded;
};

Decision decide(std::string_view bytes, std::string_view headerCharset)
{
    if (auto bom = byteOrderMark(bytes)) {
        return {*bom, std::nullopt};
    }
    if (auto wide = zeroBytePattern(bytes)) {
        return {*wide, std::nullopt};
    }
    if (!hasHighBytes(bytes)) {
        if (hasIso2022Escapes(bytes)) {
            return {chooseJapanese(PageEncoding::Iso2022Jp, false), std::nullopt};
        }
        return {Choice{}, std::nullopt};
    }

    const Readings readings = scanAll(bytes, kHopeless);

    const std::string metaCharset = charsetOfMetaTag(bytes);
    for (std::string_view label : {headerCharset, std::string_view(metaCharset)}) {
        const auto declared = resolveLabel(label);
        if (!declared || declared->encoding == PageEncoding::Iso2022Jp) {
            continue; // ISO-2022-JP has no bytes of 0x80 and over
        }
        if (declared->encoding == PageEncoding::Other) {
            // In a single-byte charset every byte is valid, so validity proves nothing; a server
            // left at its Latin-1 default must not turn a Japanese page into accented letters.
            const auto japanese = readings.bestValid();
            if (japanese && readings.of(*japanese).clearlyJapanese()) {
                continue;
            }
            Decoded decoded = decodeWith(declared->converter.c_str(), bytes);
            if (decoded.invalid != 0) {
                continue;
            }
            return {Choice{PageEncoding::Other, declared->converter, 0, true}, std::move(decoded)};
        }
        const Reading& own = readings.of(declared->encoding);
        if (!own.valid()) {
            continue;
        }
        // A page mislabelled with another Japanese encoding whose bytes it happens to fit reads
        // as half-width kana and odd symbols there; the right encoding reads as plain Japanese.
        const auto other = readings.bestValid(declared->encoding);
        if (other && readings.of(*other).clearlyJapanese() && own.plausibility() < 0) {
            continue;
        }
        return {chooseJapanese(declared->encoding, true), std::nullopt};
    }

    if (const auto best = readings.bestValid()) {
        return {chooseJapanese(*best, false), std::nullopt};
    }
    // Nothing reads without damage: take the reading with the fewest invalid sequences, scanning
    // to the end when every scan gave up early.
    const bool allAbandoned = readings.utf8.abandoned && readings.sjis.abandoned && readings.euc.abandoned;
    const Readings full = allAbandoned ? scanAll(bytes, kNoLimit) : readings;
    PageEncoding least = PageEncoding::Utf8;
    for (PageEncoding e : Readings::kOrder) {
        if (full.of(e).invalid() < full.of(least).invalid()) {
            least = e;
        }
    }
    return {chooseJapanese(least, false), std::nullopt};
}

// Label characters as they appear in headers and meta tags.
bool isLabelChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.' || c == ':' || c == '+';
}

std::size_t findCaseless(std::string_view haystack, std::string_view needle, std::size_t from = 0)
{
    if (needle.size() > haystack.size()) {
        return std::string_view::npos;
    }
    for (std::size_t i = from; i + needle.size() <= haystack.size(); ++i) {
        std::size_t k = 0;
        while (k < needle.size() && lowerAscii(haystack[i + k]) == needle[k]) {
            ++k;
        }
        if (k == needle.size()) {
            return i;
        }
    }
    return std::string_view::npos;
}

// The label after the first "charset=" in `text` that has one.
std::string labelAfterCharset(std::string_view text)
{
    for (std::size_t at = findCaseless(text, "charset"); at != std::string_view::npos;
         at = findCaseless(text, "charset", at + 7)) {
        std::size_t p = at + 7;
        while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) {
            ++p;
        }
        if (p >= text.size() || text[p] != '=') {
            continue;
        }
        ++p;
        while (p < text.size() && (text[p] == ' ' || text[p] == '\t' || text[p] == '"' || text[p] == '\'')) {
            ++p;
        }
        const std::size_t start = p;
        while (p < text.size() && isLabelChar(text[p])) {
            ++p;
        }
        if (p > start) {
            return std::string(text.substr(start, p - start));
        }
    }
    return {};
}

} // namespace

const char* encodingName(PageEncoding encoding)
{
    switch (encoding) {
    case PageEncoding::Ascii:
        return "ASCII";
    case PageEncoding::Utf8:
        return "UTF-8";
    case PageEncoding::Utf16Le:
        return "UTF-16LE";
    case PageEncoding::Utf16Be:
        return "UTF-16BE";
    case PageEncoding::ShiftJis:
        return "Shift_JIS";
    case PageEncoding::EucJp:
        return "EUC-JP";
    case PageEncoding::Iso2022Jp:
        return "ISO-2022-JP";
    case PageEncoding::Other:
        return "other";
    }
    return "?";
}

std::string charsetOfContentType(std::string_view contentType)
{
    return labelAfterCharset(contentType);
}

std::string charsetOfMetaTag(std::string_view bytes)
{
    // Browsers look no further than the page's beginning; a generous beginning, for pages that
    // put long scripts before their meta tags.
    const std::string_view head = bytes.substr(0, 64 * 1024);
    for (std::size_t at = findCaseless(head, "<meta"); at != std::string_view::npos;
         at = findCaseless(head, "<meta", at + 5)) {
        const std::size_t end = std::min(head.find('>', at), head.size());
        std::string label = labelAfterCharset(head.substr(at, end - at));
        if (!label.empty()) {
            return label;
        }
    }
    return {};
}

ConvertedPage convertPage(std::string_view bytes, std::string_view declaredCharset)
{
    ConvertedPage page;
    Decision decision = decide(bytes, declaredCharset);
    const Choice& choice = decision.choice;
    page.encoding = choice.encoding;
    page.charset = choice.converter;
    page.declared = choice.declared;
    if (choice.converter.empty()) {
        // Plain ASCII reads the same in every encoding CP932 shares it with.
        page.text = asCp932Reads(std::u16string(bytes.begin(), bytes.end()), false);
        return page;
    }
    if (!decision.decoded) {
        decision.decoded = decodeWith(choice.converter.c_str(), bytes.substr(choice.skip));
    }
    page.invalidSequences = decision.decoded->invalid;
    page.text = asCp932Reads(std::move(decision.decoded->text), choice.encoding == PageEncoding::Iso2022Jp);
    return page;
}

} // namespace vz::platform
