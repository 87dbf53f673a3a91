#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

/// Rewriting a text in its own storage, for articles of many megabytes.
namespace vz::extract {

/// Writes a filter's output over the text it reads, front to back. The text is read once, from
/// the front; what is written goes where the read text was. When the output runs ahead of the
/// reading (a replacement longer than what it replaces), the characters that do not fit yet wait
/// in a queue and move in as the reading frees room, so the unread text is never overwritten and
/// only the surplus is held twice. finish() appends what still waits.
class InPlaceWriter
{
public:
    explicit InPlaceWriter(std::u16string& text) : m_text(text) {}

    /// The text not yet read; it stays valid until finish().
    std::u16string_view unread() const { return std::u16string_view(m_text).substr(m_read); }
    /// Where the unread text begins in the text as it was.
    std::size_t readPosition() const { return m_read; }

    /// The next `count` unread characters go to the output as they are.
    void keep(std::size_t count);
    /// The next `count` unread characters are dropped.
    void skip(std::size_t count);
    void put(char16_t c);
    /// Not a view into the unread text.
    void put(std::u16string_view s);

    std::size_t size() const { return m_written + m_waiting.size(); }
    bool empty() const { return size() == 0; }
    /// The last character written; only when not empty.
    char16_t back() const { return m_waiting.empty() ? m_text[m_written - 1] : m_waiting.back(); }
    void popBack();
    /// Takes the last `count` characters written back out of the output, in order.
    std::u16string takeBack(std::size_t count);

    /// Keeps the unread rest and leaves the output as the text.
    void finish();

private:
    /// Moves waiting characters into the room the reading freed.
    void settle();

    std::u16string& m_text;
    std::size_t m_written = 0; ///< output in the text's storage, [0, m_written)
    std::size_t m_read = 0;    ///< unread text, [m_read, size); m_written <= m_read
    std::deque<char16_t> m_waiting;
};

} // namespace vz::extract
