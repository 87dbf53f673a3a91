#include "text_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/cp932.h"
#include "run/text.h"

namespace vz::run {

FileBytes readFileBytes(const std::filesystem::path& path)
{
    FileBytes result;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.error = std::strerror(errno);
        return result;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        result.error = "read error";
        return result;
    }
    result.bytes = std::move(bytes);
    return result;
}

bool isUtf8WithNonAscii(std::string_view bytes)
{
    bool nonAscii = false;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        nonAscii = true;
        std::size_t length = 0;
        unsigned char low = 0x80; // bounds of the second byte: no overlong forms, no surrogates
        unsigned char high = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            low = b == 0xE0 ? 0xA0 : 0x80;
            high = b == 0xED ? 0x9F : 0xBF;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            low = b == 0xF0 ? 0x90 : 0x80;
            high = b == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (i + length > bytes.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(bytes[i + k]);
            if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF)) {
                return false;
            }
        }
        i += length;
    }
    return nonAscii;
}

std::u16string decodeTextFile(std::string_view bytes)
{
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        return text::fromUtf8(bytes.substr(3));
    }
    // Most editors here save UTF-8 without a mark. Japanese CP932 text is practically never
    // valid UTF-8 as well, so a file that is must have been written as UTF-8.
    if (isUtf8WithNonAscii(bytes)) {
        return text::fromUtf8(bytes);
    }
    return platform::decodeCp932(bytes);
}

std::vector<std::u16string> splitLines(std::u16string_view t)
{
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    while (start < t.size()) {
        auto end = t.find(u'\n', start);
        const bool last = end == std::u16string_view::npos;
        if (last) {
            end = t.size();
        }
        std::u16string_view line = t.substr(start, end - start);
        if (!last && !line.empty() && line.back() == u'\r') {
            line.remove_suffix(1);
        }
        lines.emplace_back(line);
        start = end + 1;
    }
    return lines;
}

std::optional<std::vector<std::u16string>> readTextLines(const std::filesystem::path& path, std::string& error)
{
    FileBytes file = readFileBytes(path);
    if (!file.bytes) {
        error = file.error;
        return std::nullopt;
    }
    return splitLines(decodeTextFile(*file.bytes));
}

bool writeFileBytes(const std::filesystem::path& path, WriteMode mode, std::string_view bytes, std::string& error)
{
    std::FILE* file = std::fopen(path.c_str(), mode == WriteMode::Append ? "ab" : "wb");
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        error = std::strerror(written ? errno : writeError);
        return false;
    }
    return true;
}

bool writeFileAtomic(const std::filesystem::path& link, std::string_view bytes, std::string& error)
{
    // A file kept behind a link is replaced where it lives, and keeps its permissions.
    std::error_code ec;
    std::filesystem::path path = link;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(link, ec))) {
        const auto target = std::filesystem::weakly_canonical(link, ec);
        if (!ec) {
            path = target;
        }
    }
    struct stat old
    {
    };
    const bool existed = ::stat(path.c_str(), &old) == 0;

    static thread_local std::mt19937_64 rng{std::random_device{}()};
    std::filesystem::path temp = path;
    temp += ".tmp-" + std::to_string(rng() % 1000000000ULL);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    if (existed) {
        ::fchmod(fd, old.st_mode & 07777);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = std::strerror(errno);
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    const bool synced = ::fsync(fd) == 0;
    const int syncErrno = errno;
    if (::close(fd) != 0 || !synced) {
        error = std::strerror(synced ? errno : syncErrno);
        ::unlink(temp.c_str());
        return false;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        error = std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    // The rename is an entry of the folder: until the folder reaches the disk, a power failure can
    // bring the old file back. The new file is in place either way, so a failure here is no failure
    // of the write.
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

} // namespace vz::run
