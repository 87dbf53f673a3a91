#include "file_lock.h"

#include <cerrno>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/error_text.h"

namespace vz::platform {

namespace {

LockHolder readHolder(int fd)
{
    char buffer[256];
    const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    LockHolder holder;
    if (n <= 0) {
        return holder;
    }
    const std::string text(buffer, static_cast<std::size_t>(n));
    const auto space = text.find(' ');
    try {
        holder.pid = std::stol(text.substr(0, space));
    } catch (const std::exception&) {
        holder.pid = 0;
    }
    if (space != std::string::npos) {
        holder.program = text.substr(space + 1);
        while (!holder.program.empty() && (holder.program.back() == '\n' || holder.program.back() == '\r')) {
            holder.program.pop_back();
        }
    }
    return holder;
}

} // namespace

FileLock::FileLock(FileLock&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)), m_path(std::move(other.m_path)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other) {
        release();
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::move(other.m_path);
    }
    return *this;
}

FileLock::~FileLock()
{
    release();
}

void FileLock::release()
{
    if (m_fd < 0) {
        return;
    }
    // Removed while still held: whoever opens the name afterwards gets a new file, and a program
    // that opened the old one finds it gone from its name and tries again.
    ::unlink(m_path.c_str());
    ::close(m_fd);
    m_fd = -1;
}

LockAttempt FileLock::take(const std::filesystem::path& path, const std::string& program)
{
    LockAttempt attempt;
    for (int tries = 0; tries < 10; ++tries) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) {
            attempt.error = errnoText(errno);
            return attempt;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            if (error == EWOULDBLOCK) {
                attempt.holder = readHolder(fd);
            } else {
                attempt.error = errnoText(error);
            }
            ::close(fd);
            return attempt;
        }
        // The holder before may have removed the name between the open and the lock.
        struct stat opened
        {
        };
        struct stat named
        {
        };
        if (::fstat(fd, &opened) != 0 || ::stat(path.c_str(), &named) != 0 || opened.st_ino != named.st_ino ||
            opened.st_dev != named.st_dev) {
            ::close(fd);
            continue;
        }
        const std::string line = std::to_string(::getpid()) + " " + program + "\n";
        if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, line.data(), line.size(), 0) != static_cast<ssize_t>(line.size())) {
            // Held all the same; only the name of the holder is missing for others.
        }
        attempt.lock.m_fd = fd;
        attempt.lock.m_path = path;
        return attempt;
    }
    attempt.error = "ロックファイルが何度も入れ替わりました";
    return attempt;
}

} // namespace vz::platform
