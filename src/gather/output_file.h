#pragma once

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vz::gather {

/// An output page that could not be written: which file, and why (Japanese).
class OutputError : public std::runtime_error
{
public:
    OutputError(std::u16string path, std::u16string cause);
    const std::u16string& path() const { return m_path; }
    const std::u16string& cause() const { return m_cause; }

private:
    std::u16string m_path;
    std::u16string m_cause;
};

/// Writes a whole output page in CP932 (characters it cannot hold as character references)
/// through a temporary file beside it, so the old page stays until the new one is complete.
/// Throws OutputError when the file cannot be written.
void writeOutput(const std::u16string& path, const std::u16string& text);
/// Appends text to a file (the day list, which each run adds a line to). Throws OutputError.
void appendOutput(const std::u16string& path, const std::u16string& text);

/// A site page as it is gathered: written into a temporary file beside its place and moved into
/// place by commit(), so the page a reader finds is the old one or the new one, whole. Dropped
/// without commit() (a write failed, the run stopped before anything was gathered), the
/// temporary goes and the old page stays as it was. The file stays open while the site is
/// gathered and is written through a buffer of its own, so an article costs no system call of
/// its own and a long one is never held a second time as bytes.
class PageFile
{
public:
    /// Throws OutputError when the temporary file cannot be made.
    explicit PageFile(std::u16string path);
    ~PageFile();
    PageFile(const PageFile&) = delete;
    PageFile& operator=(const PageFile&) = delete;

    /// Appends the pieces in CP932, one after the other, without joining them as text first (an
    /// article may be many megabytes). Throws OutputError.
    void append(std::initializer_list<std::u16string_view> pieces);
    /// Closes the page and moves it into place. Throws OutputError, the old page left as it was.
    void commit();

private:
    void abandon();
    /// Writes out what the buffer holds. Throws OutputError.
    void flush();

    std::u16string m_path;
    std::filesystem::path m_temp;
    int m_fd = -1;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_buffered = 0;
    /// The old page's permissions, which the new one keeps.
    int m_mode = -1;
};

} // namespace vz::gather
