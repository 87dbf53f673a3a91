#include "japanese_scanners.h"

#include <cstring>

#include <unicode/ucnv.h>

#include "platform/charset_labels.h"
#include "platform/icu_converter.h"

namespace vz::platform {
namespace {

std::uint8_t byteAt(std::string_view bytes, std::size_t i)
{
    return static_cast<std::uint8_t>(bytes[i]);
}

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

} // namespace

Reading scanUtf8(std::string_view bytes, std::size_t limit, std::size_t from, Reading soFar)
{
    Reading r = soFar;
    const std::size_t n = bytes.size();
    std::size_t i = from;
    while (i < n) {
        const std::uint8_t b = byteAt(bytes, i);
        if (b < 0x80) {
            i = skipAscii(bytes, i + 1);
            continue;
        }
        char32_t cp = 0;
        const std::size_t length = utf8Sequence(bytes, i, cp);
        if (length == 0) {
            if (r.noteInvalid(limit)) {
                return r;
            }
            ++i;
            continue;
        }
        r.count(classOfCodePoint(cp));
        i += length;
    }
    return r;
}

const Reading& Readings::of(PageEncoding e) const
{
    const std::size_t at = e == PageEncoding::Utf8 ? 0 : e == PageEncoding::ShiftJis ? 1 : 2;
    std::optional<Reading>& reading = m_scanned[at];
    if (!reading) {
        reading = at == 0   ? scanUtf8(m_bytes, m_limit)
                  : at == 1 ? scanSjis(m_bytes, m_limit)
                            : scanEuc(m_bytes, m_limit);
    }
    return *reading;
}

} // namespace vz::platform
