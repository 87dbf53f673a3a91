#include "marker_search.h"

#include <algorithm>

#include "run/text.h"

namespace vz::extract {

namespace {

bool isBlank(char16_t c)
{
    return c <= u' ' || c == u'\u3000';
}

// A character as a person would not tell it apart: ASCII letters lower-cased, full-width ASCII as
// half-width, an apostrophe as a double quote.
char16_t fold(char16_t c)
{
    if (c >= u'\uFF01' && c <= u'\uFF5E') {
        c = static_cast<char16_t>(c - 0xFEE0);
    }
    if (c >= u'A' && c <= u'Z') {
        return static_cast<char16_t>(c + 32);
    }
    return c == u'\'' ? u'"' : c;
}

constexpr std::size_t kShownAtMost = 200;
constexpr std::size_t kAskEvery = 1 << 16;

} // namespace

MarkerPair findMarkerPair(std::u16string_view page, std::u16string_view startMarker, std::u16string_view endMarker)
{
    const auto at = text::InStr(page, startMarker);
    if (at == 0) {
        return {0, MarkerMiss::Start};
    }
    if (text::InStr(at, page, endMarker) == 0) {
        return {at, MarkerMiss::End};
    }
    return {at, MarkerMiss::None};
}

std::optional<NearMiss> findNearMiss(std::u16string_view page, std::u16string_view marker, std::size_t from,
                                     const std::function<bool()>& cancelled)
{
    std::u16string key;
    for (const char16_t c : marker) {
        if (!isBlank(c)) {
            key += fold(c);
        }
    }
    if (key.empty()) {
        return std::nullopt;
    }
    for (std::size_t i = from; i < page.size(); ++i) {
        if (cancelled && (i - from) % kAskEvery == kAskEvery - 1 && cancelled()) {
            return std::nullopt;
        }
        if (fold(page[i]) != key.front()) {
            continue;
        }
        std::size_t p = i + 1;
        std::size_t k = 1;
        for (; k < key.size(); ++k, ++p) {
            while (p < page.size() && isBlank(page[p])) {
                ++p;
            }
            if (p >= page.size() || fold(page[p]) != key[k]) {
                break;
            }
        }
        if (k == key.size()) {
            const std::u16string_view found = page.substr(i, p - i);
            if (found != marker) {
                return NearMiss{i, std::u16string(found.substr(0, std::min(found.size(), kShownAtMost)))};
            }
        }
    }
    return std::nullopt;
}

} // namespace vz::extract
