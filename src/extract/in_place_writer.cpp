#include "in_place_writer.h"

#include <algorithm>
#include <iterator>

namespace vz::extract {

void InPlaceWriter::settle()
{
    const std::size_t room = std::min(m_read - m_written, m_waiting.size());
    std::copy_n(m_waiting.begin(), room, m_text.begin() + static_cast<std::ptrdiff_t>(m_written));
    m_waiting.erase(m_waiting.begin(), m_waiting.begin() + static_cast<std::ptrdiff_t>(room));
    m_written += room;
}

void InPlaceWriter::keep(std::size_t count)
{
    count = std::min(count, m_text.size() - m_read);
    if (m_waiting.empty()) {
        // Forward copying is safe while the output stays behind the reading.
        if (m_written != m_read) {
            std::copy_n(m_text.begin() + static_cast<std::ptrdiff_t>(m_read), count,
                        m_text.begin() + static_cast<std::ptrdiff_t>(m_written));
        }
        m_written += count;
        m_read += count;
        return;
    }
    // The output is as far as the reading: kept characters queue behind the waiting ones, a piece
    // at a time, and each piece frees as much room as it takes, so the queue does not grow.
    constexpr std::size_t piece = 4096;
    while (count > 0) {
        const std::size_t n = std::min(count, piece);
        const auto from = m_text.begin() + static_cast<std::ptrdiff_t>(m_read);
        m_waiting.insert(m_waiting.end(), from, from + static_cast<std::ptrdiff_t>(n));
        m_read += n;
        count -= n;
        settle();
    }
}

void InPlaceWriter::skip(std::size_t count)
{
    m_read += std::min(count, m_text.size() - m_read);
    settle();
}

void InPlaceWriter::put(char16_t c)
{
    if (m_waiting.empty() && m_written < m_read) {
        m_text[m_written++] = c;
    } else {
        m_waiting.push_back(c);
    }
}

void InPlaceWriter::put(std::u16string_view s)
{
    for (const char16_t c : s) {
        put(c);
    }
}

void InPlaceWriter::popBack()
{
    if (m_waiting.empty()) {
        --m_written;
    } else {
        m_waiting.pop_back();
    }
}

std::u16string InPlaceWriter::takeBack(std::size_t count)
{
    std::u16string taken(count, u'\0');
    for (std::size_t i = count; i > 0; --i) {
        taken[i - 1] = back();
        popBack();
    }
    return taken;
}

void InPlaceWriter::finish()
{
    keep(m_text.size() - m_read);
    m_text.resize(m_written);
    m_text.append(m_waiting.begin(), m_waiting.end());
    m_waiting.clear();
    m_read = m_written = m_text.size();
}

} // namespace vz::extract
