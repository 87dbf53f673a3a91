#include "encoding_decision.h"

#include <algorithm>

#include "platform/charset_labels.h"
#include "platform/japanese_scanners.h"

namespace vz::platform {
namespace {

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
    if (bytes.substr(0, n).find('\0') == std::string_view::npos) {
        return std::nullopt; // the usual page, told at once
    }
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

Choice chooseJapanese(PageEncoding e, bool declared)
{
    return Choice{e, converterOf(e), 0, declared};
}

} // namespace

Decision decide(std::string_view bytes, std::string_view headerCharset, std::optional<Reading> utf8)
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

    const Readings readings(bytes, kHopeless, utf8);

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
        // Only a poor reading in the declared encoding needs the others scanned.
        if (own.plausibility() < 0) {
            const auto other = readings.bestValid(declared->encoding);
            if (other && readings.of(*other).clearlyJapanese()) {
                continue;
            }
        }
        return {chooseJapanese(declared->encoding, true), std::nullopt};
    }

    if (const auto best = readings.bestValid()) {
        return {chooseJapanese(*best, false), std::nullopt};
    }
    // Nothing reads without damage: take the reading with the fewest invalid sequences, scanning
    // to the end when every scan gave up early.
    const bool allAbandoned = std::all_of(Readings::kOrder.begin(), Readings::kOrder.end(),
                                          [&](PageEncoding e) { return readings.of(e).abandoned; });
    const Readings full = allAbandoned ? Readings(bytes, kNoLimit) : readings;
    PageEncoding least = PageEncoding::Utf8;
    for (PageEncoding e : Readings::kOrder) {
        if (full.of(e).invalid() < full.of(least).invalid()) {
            least = e;
        }
    }
    return {chooseJapanese(least, false), std::nullopt};
}

} // namespace vz::platform
