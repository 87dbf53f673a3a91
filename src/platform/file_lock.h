#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace vz::platform {

/// Who holds a lock, as its lock file says.
struct LockHolder
{
    long pid = 0;        ///< 0 when the holder had not written itself in yet
    std::string program; ///< how it was started: "vodezeva --headless"
};

struct LockAttempt;

/// An advisory lock (flock) on a lock file, held while the object lives, released when the
/// process ends however it ends. The holder writes its process id and name into the file, so
/// another program can say who holds it; the file is removed when the lock is released.
class FileLock
{
public:
    FileLock() = default;
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

    /// Takes the lock at `path` for `program` without waiting. Also within one process a second
    /// lock on the same file is refused.
    static LockAttempt take(const std::filesystem::path& path, const std::string& program);

    bool held() const { return m_fd >= 0; }
    const std::filesystem::path& path() const { return m_path; }
    void release();

private:
    int m_fd = -1;
    std::filesystem::path m_path;
};

struct LockAttempt
{
    FileLock lock; ///< held on success
    /// Set when another holds the lock.
    std::optional<LockHolder> holder;
    /// Why the lock file could not be used at all (UTF-8, Japanese); empty otherwise.
    std::string error;
};

} // namespace vz::platform
