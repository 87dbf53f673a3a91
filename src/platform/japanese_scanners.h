#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/page_encoding.h"

/// How plausible a reading of a page's bytes is as Japanese text, for each encoding it may be in.
namespace vz::platform {

// Character classes, with a flag for kana.
constexpr std::uint8_t kInvalid = 0;
constexpr std::uint8_t kGood = 1;    // kana, common punctuation, full-width letters, first-level kanji
constexpr std::uint8_t kNeutral = 2; // second-level kanji, other symbols, vendor kanji
constexpr std::uint8_t kOdd = 3;     // half-width kana, Greek, Cyrillic, box drawing, user-defined, JIS X 0212
constexpr std::uint8_t kKana = 4;    // full-width hiragana or katakana

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

/// The class of a character read from UTF-8: most blocks of 256 code points are of one class, and
/// the kana share theirs with the Japanese punctuation, so nearly every character costs one look.
inline std::uint8_t classOfCodePoint(char32_t cp)
{
    constexpr std::uint8_t kMixed = 0xFF;
    static constexpr std::array<std::uint8_t, 256> kByBlock = [] {
        std::array<std::uint8_t, 256> blocks{};
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            blocks[b] = (b >= 0x4E && b <= 0x9F)   ? kGood
                        : (b >= 0xE0 && b <= 0xF8) ? kOdd
                        : (b == 0x00 || b == 0xFF) ? kMixed
                                                   : kNeutral;
        }
        blocks[0x30] = kGood; // U+3000 to U+30FF, the kana among them
        return blocks;
    }();
    const auto in = [cp](char32_t first, char32_t last) { return cp - first <= last - first; };
    if (cp >= 0x10000) {
        return kNeutral;
    }
    const std::uint8_t block = kByBlock[cp >> 8];
    if (block == kMixed) [[unlikely]] {
        return in(0xFF01, 0xFF5E) ? kGood : in(0x80, 0x9F) ? kOdd : kNeutral;
    }
    // Kana and kanji alternate in Japanese text: the flag is added without a branch to mispredict.
    const bool kana = (block == kGood) & in(0x3041, 0x30FA);
    return static_cast<std::uint8_t>(block | (kKana * static_cast<std::uint8_t>(kana)));
}

/// The length of the valid UTF-8 sequence of two to four bytes at `i`, with its code point in
/// `cp`; 0 when none begins there (an overlong form, a surrogate, past U+10FFFF, cut short).
inline std::size_t utf8Sequence(std::string_view bytes, std::size_t i, char32_t& cp)
{
    const auto b = static_cast<std::uint8_t>(bytes[i]);
    std::size_t length = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
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
    if (length == 0 || i + length > bytes.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto c = static_cast<std::uint8_t>(bytes[i + k]);
        if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF)) {
            return 0;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    return length;
}

// A reading with this many invalid sequences is out of the running; only when every reading is
// the scans are repeated to the end to find the least damaged one.
constexpr std::size_t kHopeless = 64;
constexpr std::size_t kNoLimit = static_cast<std::size_t>(-1);

/// How a page reads as UTF-8, CP932 and EUC-JP, each scan made when it is first asked for: most
/// pages declare their encoding, and one that reads well in it needs no other scan.
/// The UTF-8 reading of the bytes from `from` on, going on from what the bytes before gave.
Reading scanUtf8(std::string_view bytes, std::size_t limit, std::size_t from = 0, Reading soFar = {});

class Readings
{
public:
    /// A scan gives up after `limit` invalid sequences. `bytes` must outlive the readings. `utf8`,
    /// when given, is the UTF-8 reading, already made.
    Readings(std::string_view bytes, std::size_t limit, std::optional<Reading> utf8 = std::nullopt)
        : m_bytes(bytes), m_limit(limit), m_scanned{utf8, std::nullopt, std::nullopt}
    {
    }

    const Reading& of(PageEncoding e) const;
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

private:
    std::string_view m_bytes;
    std::size_t m_limit;
    mutable std::array<std::optional<Reading>, 3> m_scanned;
};

} // namespace vz::platform
