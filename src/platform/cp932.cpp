#include "cp932.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/uset.h>

#include "platform/icu_converter.h"

namespace vz::platform {
namespace {

ConverterPtr openCp932()
{
    return openRequired("windows-31j");
}

// JIS-based decoders give these code points where CP932 has its own; map them the way a
// byte-level Japanese converter does instead of losing them.
constexpr std::array<std::pair<char16_t, std::uint16_t>, 7> kJisVariants{{
    {u'\u301C', 0x8160}, // wave dash -> full-width tilde
    {u'\u2016', 0x8161}, // double vertical line -> parallel to
    {u'\u2212', 0x817C}, // minus sign -> full-width hyphen-minus
    {u'\u00A2', 0x8191}, // cent
    {u'\u00A3', 0x8192}, // pound
    {u'\u00AC', 0x81CA}, // not sign
    {u'\u2014', 0x815C}, // em dash -> horizontal bar
}};

// Code of every BMP character: 0 when CP932 cannot hold it, 1..255 (plus 256 for NUL) for a
// single byte, the two-byte code otherwise; and the character each reads back as. Built once from
// ICU's mappings: the characters ICU knows a code for are written in one conversion, and their
// codes read back in another, which a run's start notices far less than a conversion of each
// character of the BMP on its own.
class CodeTable
{
public:
    CodeTable()
    {
        m_readBack.fill(kNotHeld);
        auto cnv = openCp932();
        UErrorCode status = U_ZERO_ERROR;
        std::vector<UChar> chars;
        USet* known = uset_openEmpty();
        ucnv_getUnicodeSet(cnv.get(), known, UCNV_ROUNDTRIP_AND_FALLBACK_SET, &status);
        for (int32_t item = 0; U_SUCCESS(status) && item < uset_getItemCount(known); ++item) {
            UChar32 first = 0;
            UChar32 last = 0;
            uset_getItem(known, item, &first, &last, nullptr, 0, &status);
            for (UChar32 c = first; c <= std::min<UChar32>(last, 0xFFFF); ++c) {
                if (c < 0xD800 || c > 0xDFFF) {
                    chars.push_back(static_cast<UChar>(c));
                }
            }
        }
        uset_close(known);
        // Some of those ICU writes only where asked to, and is not asked to here: those give no
        // bytes, and CP932 cannot hold them.
        ucnv_setFromUCallBack(cnv.get(), UCNV_FROM_U_CALLBACK_SKIP, nullptr, nullptr, nullptr, &status);
        std::string codes(chars.size() * 2, '\0');
        std::vector<int32_t> of(codes.size());
        char* written = codes.data();
        const UChar* next = chars.data();
        ucnv_fromUnicode(cnv.get(), &written, codes.data() + codes.size(), &next, chars.data() + chars.size(),
                         of.data(), true, &status);
        const auto bytes = static_cast<std::size_t>(written - codes.data());
        // The codes, one after the other, read back: what each character reads back as.
        std::vector<UChar> units(bytes);
        std::vector<int32_t> from(bytes);
        UChar* target = units.data();
        const char* source = codes.data();
        ucnv_toUnicode(cnv.get(), &target, units.data() + units.size(), &source, codes.data() + bytes, from.data(),
                       true, &status);
        if (U_FAILURE(status)) {
            throw std::runtime_error("the CP932 tables cannot be built");
        }
        std::vector<char16_t> readBackAt(bytes, kNotHeld);
        for (UChar* unit = units.data(); unit != target; ++unit) {
            readBackAt[static_cast<std::size_t>(from[static_cast<std::size_t>(unit - units.data())])] = *unit;
        }
        for (std::size_t k = 0; k < bytes;) {
            std::size_t n = 1;
            while (k + n < bytes && of[k + n] == of[k]) {
                ++n;
            }
            const UChar c = chars[static_cast<std::size_t>(of[k])];
            const auto first = static_cast<unsigned char>(codes[k]);
            if (n <= 2) {
                m_codes[c] = static_cast<std::uint16_t>(
                    n == 1 ? (c == 0 ? 256 : first) : (first << 8) | static_cast<unsigned char>(codes[k + 1]));
                m_readBack[c] = readBackAt[k];
                for (const auto& [variant, code] : kJisVariants) {
                    if (code == m_codes[c]) {
                        m_readBack[variant] = readBackAt[k];
                    }
                }
            }
            k += n;
        }
        for (const auto& [variant, code] : kJisVariants) {
            m_codes[variant] = code;
        }
        m_printableAsItself = true;
        for (char16_t c = 0x20; c < 0x7F; ++c) {
            m_printableAsItself = m_printableAsItself && m_codes[c] == c;
        }
    }
    std::uint16_t raw(char16_t c) const { return m_codes[c]; }
    /// Whether every printable ASCII character is its own code, as in every CP932 table there is
    /// (not so every control character).
    bool printableAsItself() const { return m_printableAsItself; }
    const std::array<char16_t, 0x10000>& readBack() const { return m_readBack; }

private:
    std::array<std::uint16_t, 0x10000> m_codes{};
    std::array<char16_t, 0x10000> m_readBack{};
    bool m_printableAsItself = false;
};

const CodeTable& table()
{
    static const CodeTable instance;
    return instance;
}

// ICU's own stand-in for bytes that form no character is the invisible SUB control; a reader
// should see that something was there.
void substituteVisible(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                       UConverterCallbackReason reason, UErrorCode* err)
{
    if (reason <= UCNV_IRREGULAR) {
        *err = U_ZERO_ERROR;
        static const UChar replacement = 0xFFFD;
        ucnv_cbToUWriteUChars(args, &replacement, 1, 0, err);
    }
}

} // namespace

std::u16string decodeCp932(std::string_view bytes)
{
    if (bytes.empty()) {
        return {};
    }
    auto cnv = openCp932();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(cnv.get(), substituteVisible, nullptr, nullptr, nullptr, &status);
    std::u16string out(bytes.size() + 1, u'\0');
    const int32_t n = ucnv_toUChars(cnv.get(), reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                                    bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) {
        throw std::runtime_error("CP932 decoding failed");
    }
    out.resize(static_cast<std::size_t>(n));
    return out;
}

namespace {

// "&#" and the decimal number and ";" at `at`; returns the end.
char* writeReference(char* at, char32_t cp)
{
    char digits[10];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + cp % 10);
        cp /= 10;
    } while (cp != 0);
    *at++ = '&';
    *at++ = '#';
    while (n > 0) {
        *at++ = digits[--n];
    }
    *at++ = ';';
    return at;
}

// Encodes text[i...] into [at, end) while the longest character still fits; returns the index of
// the first unit not encoded, `at` moved past the bytes written. `unmappable`, when given,
// collects what CP932 cannot hold.
std::size_t encodeSome(std::u16string_view text, std::size_t i, char*& at, const char* end,
                       std::vector<char32_t>* unmappable)
{
    const auto& codes = table();
    auto noteUnmappable = [&](char32_t cp) {
        if (unmappable && std::find(unmappable->begin(), unmappable->end(), cp) == unmappable->end()) {
            unmappable->push_back(cp);
        }
    };
    for (; i < text.size() && end - at >= static_cast<std::ptrdiff_t>(kLongestCp932); ++i) {
        const char16_t c = text[i];
        if (c - 0x20u < 0x5Fu && codes.printableAsItself()) {
            *at++ = static_cast<char>(c);
            continue;
        }
        const std::uint16_t code = codes.raw(c);
        if (code != 0 && code < 256) {
            *at++ = static_cast<char>(code);
        } else if (code > 256) {
            *at++ = static_cast<char>(code >> 8);
            *at++ = static_cast<char>(code & 0xFF);
        } else if (code == 256) {
            *at++ = '\0';
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            char32_t cp = 0xFFFD;
            if (c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
                ++i;
            }
            at = writeReference(at, cp);
            noteUnmappable(cp);
        } else {
            at = writeReference(at, c);
            noteUnmappable(c);
        }
    }
    return i;
}

// Appends the text's bytes to `bytes`, a block at a time.
void encodeInto(std::string& bytes, std::u16string_view text, std::vector<char32_t>* unmappable)
{
    bytes.reserve(bytes.size() + text.size() * 2);
    char block[4096];
    for (std::size_t i = 0; i < text.size();) {
        char* at = block;
        i = encodeSome(text, i, at, block + sizeof block, unmappable);
        bytes.append(block, at);
    }
}

} // namespace

Cp932Bytes encodeCp932(std::u16string_view text)
{
    Cp932Bytes result;
    encodeInto(result.bytes, text, &result.unmappable);
    return result;
}

std::size_t encodeCp932Part(std::u16string_view text, char* out, std::size_t room, std::size_t& written)
{
    char* at = out;
    const std::size_t done = encodeSome(text, 0, at, out + room, nullptr);
    written += static_cast<std::size_t>(at - out);
    return done;
}

const std::array<char16_t, 0x10000>& cp932ReadBack()
{
    return table().readBack();
}

int cp932Code(char16_t c)
{
    const std::uint16_t code = table().raw(c);
    if (code == 0) {
        return 63;
    }
    if (code == 256) {
        return 0;
    }
    if (code < 256) {
        return code;
    }
    return static_cast<std::int16_t>(code);
}

} // namespace vz::platform
