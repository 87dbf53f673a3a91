#pragma once

#include <cstddef>
#include <string_view>

namespace vz::extract {

/// The first occurrence of a lower-case pattern at or after `from` in the text read lower-cased
/// (ASCII letters only), without a lower-cased copy of the text. Time: the text's length times
/// at most the pattern's.
inline std::size_t findLowered(std::u16string_view text, std::u16string_view lowerPattern, std::size_t from = 0)
{
    if (lowerPattern.empty()) {
        return from <= text.size() ? from : std::u16string_view::npos;
    }
    const auto lower = [](char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; };
    const char16_t first = lowerPattern.front();
    const bool letter = first >= u'a' && first <= u'z';
    const char16_t upper = letter ? static_cast<char16_t>(first - 32) : first;
    const std::size_t last = text.size() < lowerPattern.size() ? 0 : text.size() - lowerPattern.size() + 1;
    for (std::size_t at = from; at < last; ++at) {
        // The first character is found directly: "<" begins nearly every marker.
        if (!letter) {
            at = text.find(first, at);
            if (at == std::u16string_view::npos || at >= last) {
                break;
            }
        } else if (text[at] != first && text[at] != upper) {
            continue;
        }
        std::size_t k = 1;
        while (k < lowerPattern.size() && lower(text[at + k]) == lowerPattern[k]) {
            ++k;
        }
        if (k == lowerPattern.size()) {
            return at;
        }
    }
    return std::u16string_view::npos;
}

/// The first occurrence of a pattern at or after a position of a fixed text. The cutting loops
/// ask for positions that only grow, so the last answer is remembered and reused while it still
/// lies ahead: the text is scanned about once however many times it is asked.
class NextOccurrence
{
public:
    static constexpr std::size_t none = std::u16string_view::npos;

    /// With `ignoringCase`, a lower-case pattern is found as findLowered finds it.
    NextOccurrence(std::u16string_view text, std::u16string_view pattern, bool ignoringCase = false)
        : m_text(text), m_pattern(pattern), m_ignoringCase(ignoringCase)
    {
    }

    /// 0-based position, or `none`.
    std::size_t from(std::size_t pos)
    {
        if (!m_known || pos < m_from || (m_at != none && m_at < pos)) {
            m_at = m_ignoringCase ? findLowered(m_text, m_pattern, pos) : m_text.find(m_pattern, pos);
            m_from = pos;
            m_known = true;
        }
        return m_at;
    }

private:
    std::u16string_view m_text;
    std::u16string_view m_pattern;
    bool m_ignoringCase = false;
    bool m_known = false;
    std::size_t m_from = 0;
    std::size_t m_at = none;
};

} // namespace vz::extract
