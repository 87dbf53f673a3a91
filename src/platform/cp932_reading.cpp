#include "cp932_reading.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "platform/cp932.h"
#include "platform/japanese_scanners.h"
#include "platform/page_encoding.h"

namespace vz::platform {
namespace {

// The character cannot be held and is written as a reference.
constexpr char16_t kReference = kNotHeld;

// What each character reads as once written as CP932 and read back.
class Cp932Reading
{
public:
    Cp932Reading() : m_readsAs(cp932ReadBack()) {}
    char16_t readsAs(char16_t c) const { return m_readsAs[c]; }

private:
    const std::array<char16_t, 0x10000>& m_readsAs;
};

Cp932Reading cp932Reading()
{
    return Cp932Reading();
}

// Writes "&#" and the decimal number and ";" at `at` (at most 10 units); returns the end.
char16_t* writeReference(char16_t* at, char32_t cp)
{
    char16_t digits[10];
    int n = 0;
    do {
        digits[n++] = static_cast<char16_t>(u'0' + cp % 10);
        cp /= 10;
    } while (cp != 0);
    *at++ = u'&';
    *at++ = u'#';
    while (n > 0) {
        *at++ = digits[--n];
    }
    *at++ = u';';
    return at;
}

void appendReference(std::u16string& out, char32_t cp)
{
    char16_t reference[10];
    out.append(reference, writeReference(reference, cp));
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

} // namespace

std::size_t appendUtf8AsCp932Reads(std::u16string& out, std::string_view bytes, const Consumed& consumed,
                                   Reading* reading)
{
    // Every unit of the text comes from at least one byte, except a reference; the capacity is
    // only reserved, so what the text does not need is never touched.
    out.reserve(out.size() + bytes.size() + 16);
    const auto& cp932 = cp932Reading();
    // CP932 gives every ASCII character back as itself, so markup is copied as it stands.
    static const bool asciiAsItself = [] {
        const auto& table = cp932ReadBack();
        for (char16_t c = 0; c < 0x80; ++c) {
            if (table[c] != c) {
                return false;
            }
        }
        return true;
    }();
    constexpr std::size_t kBlock = 4096;
    constexpr std::size_t kReportEvery = 64 * 1024;
    char16_t buffer[kBlock + 16];
    char16_t* at = buffer;
    const auto* const data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    // The characters of each class are counted in 16 bits each of one register, added up at every
    // block of output (at most kBlock characters, so a count never runs over).
    constexpr auto slot = [](std::uint8_t cls) {
        return cls == kGood ? 0 : cls == (kGood | kKana) ? 16 : cls == kNeutral ? 32 : cls == kOdd ? 48 : 64;
    };
    static constexpr std::array<std::uint64_t, 8> kOne = [slot] {
        std::array<std::uint64_t, 8> one{};
        for (std::uint8_t cls = 0; cls < one.size(); ++cls) {
            one[cls] = slot(cls) < 64 ? std::uint64_t{1} << slot(cls) : 0;
        }
        return one;
    }();
    std::uint64_t counted = 0;
    std::array<std::size_t, 4> counts{};
    const auto addUp = [&] {
        for (std::size_t k = 0; k < counts.size(); ++k) {
            counts[k] += (counted >> (16 * k)) & 0xFFFF;
        }
        counted = 0;
    };
    std::size_t i = 0;
    std::size_t reported = 0;
    while (i < n) {
        if (at >= buffer + kBlock) {
            out.append(buffer, at);
            at = buffer;
            addUp();
            if (consumed && i - reported >= kReportEvery) {
                consumed(i);
                reported = i;
            }
        }
        if (data[i] < 0x80) {
            // Markup is mostly ASCII: a run of it at a time.
            const std::size_t end = std::min(n, i + static_cast<std::size_t>(buffer + kBlock - at));
            if (asciiAsItself) {
                for (; i < end && data[i] < 0x80; ++i) {
                    *at++ = data[i];
                }
            } else {
                for (; i < end && data[i] < 0x80; ++i) {
                    *at++ = cp932.readsAs(data[i]);
                }
            }
            continue;
        }
        const unsigned b = data[i];
        char32_t cp = 0;
        std::size_t length = 3;
        // Japanese text is mostly three-byte sequences whose second byte may be any trail byte.
        if (b >= 0xE1 && b <= 0xEF && b != 0xED && i + 2 < n && (data[i + 1] & 0xC0) == 0x80 &&
            (data[i + 2] & 0xC0) == 0x80) {
            cp = ((b & 0x0Fu) << 12) | ((data[i + 1] & 0x3Fu) << 6) | (data[i + 2] & 0x3Fu);
        } else {
            length = utf8Sequence(bytes, i, cp);
            if (length == 0) {
                break;
            }
        }
        i += length;
        counted += kOne[classOfCodePoint(cp)];
        const char16_t r = cp < 0x10000 ? cp932.readsAs(static_cast<char16_t>(cp)) : kReference;
        if (r != kReference) {
            *at++ = r;
        } else {
            at = writeReference(at, cp);
        }
    }
    out.append(buffer, at);
    addUp();
    if (reading) {
        reading->counts[kGood] += counts[0];
        reading->counts[kGood | kKana] += counts[1];
        reading->counts[kNeutral] += counts[2];
        reading->counts[kOdd] += counts[3];
    }
    if (consumed) {
        consumed(i);
    }
    return i;
}

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

} // namespace vz::platform
