#include "output_file.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/cp932.h"
#include "platform/error_text.h"
#include "run/text.h"
#include "run/text_file.h"

namespace vz::gather {

namespace {

std::u16string systemCause(int error)
{
    return text::fromUtf8(platform::errnoText(error));
}

constexpr std::size_t kBufferBytes = 64 * 1024;

} // namespace

OutputError::OutputError(std::u16string path, std::u16string cause)
    : std::runtime_error(text::toUtf8(path) + ": " + text::toUtf8(cause)), m_path(std::move(path)),
      m_cause(std::move(cause))
{
}

void writeOutput(const std::u16string& path, const std::u16string& text)
{
    std::string error;
    if (!run::writeFileAtomic(text::toPath(path), platform::encodeCp932(text).bytes, error,
                              run::Durability::Unsynced)) {
        throw OutputError(path, text::fromUtf8(error));
    }
}

void appendOutput(const std::u16string& path, const std::u16string& text)
{
    std::string error;
    if (!run::writeFileBytes(text::toPath(path), run::WriteMode::Append, platform::encodeCp932(text).bytes, error)) {
        throw OutputError(path, text::fromUtf8(error));
    }
}

PageFile::PageFile(std::u16string path) : m_path(std::move(path))
{
    const std::filesystem::path target = text::toPath(m_path);
    struct stat old
    {
    };
    if (::stat(target.c_str(), &old) == 0) {
        if (S_ISDIR(old.st_mode)) {
            throw OutputError(m_path, systemCause(EISDIR));
        }
        m_mode = static_cast<int>(old.st_mode & 07777);
    }
    m_temp = run::temporaryBeside(target);
    m_fd = ::open(m_temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        throw OutputError(m_path, systemCause(errno));
    }
    m_buffer = std::make_unique_for_overwrite<char[]>(kBufferBytes);
}

PageFile::~PageFile()
{
    abandon();
}

void PageFile::abandon()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_temp.c_str());
        m_fd = -1;
    }
}

void PageFile::append(std::initializer_list<std::u16string_view> pieces)
{
    for (std::u16string_view piece : pieces) {
        while (!piece.empty()) {
            if (kBufferBytes - m_buffered < platform::kLongestCp932) {
                flush();
            }
            piece.remove_prefix(
                platform::encodeCp932Part(piece, m_buffer.get() + m_buffered, kBufferBytes - m_buffered, m_buffered));
        }
    }
}

void PageFile::flush()
{
    std::size_t done = 0;
    while (done < m_buffered) {
        const ssize_t n = ::write(m_fd, m_buffer.get() + done, m_buffered - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            // A full disk or the file size limit (EFBIG, since SIGXFSZ is ignored).
            const int error = errno;
            abandon();
            throw OutputError(m_path, systemCause(error));
        }
        done += static_cast<std::size_t>(n);
    }
    m_buffered = 0;
}

void PageFile::commit()
{
    flush();
    if (m_mode >= 0) {
        ::fchmod(m_fd, static_cast<mode_t>(m_mode));
    }
    const int closed = ::close(m_fd);
    const int closeError = errno;
    m_fd = -1;
    if (closed != 0 || std::rename(m_temp.c_str(), text::toPath(m_path).c_str()) != 0) {
        const int error = closed != 0 ? closeError : errno;
        ::unlink(m_temp.c_str());
        throw OutputError(m_path, systemCause(error));
    }
}

} // namespace vz::gather
