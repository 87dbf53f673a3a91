#pragma once

#include <cstddef>
#include <string_view>

namespace vz::extract {

/// The first occurrence of a pattern at or after a position of a fixed text. The cutting loops
/// ask for positions that only grow, so the last answer is remembered and reused while it still
/// lies ahead: the text is scanned about once however many times it is asked.
class NextOccurrence
{
public:
    static constexpr std::size_t none = std::u16string_view::npos;

    NextOccurrence(std::u16string_view text, std::u16string_view pattern) : m_text(text), m_pattern(pattern) {}

    /// 0-based position, or `none`.
    std::size_t from(std::size_t pos)
    {
        if (!m_known || pos < m_from || (m_at != none && m_at < pos)) {
            m_at = m_text.find(m_pattern, pos);
            m_from = pos;
            m_known = true;
        }
        return m_at;
    }

private:
    std::u16string_view m_text;
    std::u16string_view m_pattern;
    bool m_known = false;
    std::size_t m_from = 0;
    std::size_t m_at = none;
};

} // namespace vz::extract
