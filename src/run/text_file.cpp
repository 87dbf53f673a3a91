#include "text_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/cp932.h"
#include "platform/error_text.h"
#include "run/text.h"

namespace vz::run {

FileBytes readFileBytes(const std::filesystem::path& path, std::uintmax_t limit)
{
    FileBytes result;
    // Without waiting: the name of a pipe must not hang the program before it is found to be no file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        result.error = platform::errnoText(errno);
        return result;
    }
    struct stat status
    {
    };
    if (::fstat(fd, &status) != 0) {
        result.error = platform::errnoText(errno);
    } else if (S_ISDIR(status.st_mode)) {
        result.error = "フォルダです。ファイルを指定してください";
    } else if (!S_ISREG(status.st_mode)) {
        result.error = "通常のファイルではありません（デバイスやパイプは読みません）";
    } else if (static_cast<std::uintmax_t>(status.st_size) > limit) {
        result.error = "ファイルが大きすぎます（" + std::to_string(status.st_size) + " バイト、上限 " +
                       std::to_string(limit) + " バイト）";
    }
    if (!result.error.empty()) {
        ::close(fd);
        return result;
    }
    std::string bytes(static_cast<std::size_t>(status.st_size), '\0');
    std::size_t done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (bytes.size() >= limit) {
                break; // what grows while it is read is cut at the limit and refused below
            }
            bytes.resize(std::min<std::uintmax_t>(bytes.size() + 4096, limit + 1));
        }
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            result.error = platform::errnoText(errno);
            ::close(fd);
            return result;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(done);
    if (bytes.size() > limit) {
        result.error = "ファイルが大きすぎます（上限 " + std::to_string(limit) + " バイト）";
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

namespace {

bool startsWithUtf16Mark(std::string_view bytes)
{
    return bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
}

std::u16string fromUtf16(std::string_view bytes)
{
    const bool little = bytes[0] == '\xFF';
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        out += static_cast<char16_t>(little ? first | (second << 8) : (first << 8) | second);
    }
    return out;
}

} // namespace

std::u16string decodeTextFile(std::string_view bytes)
{
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        return text::fromUtf8(bytes.substr(3));
    }
    // Some Windows editors save "Unicode" as UTF-16 with its mark.
    if (startsWithUtf16Mark(bytes)) {
        return fromUtf16(bytes);
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
    if (!startsWithUtf16Mark(*file.bytes) && file.bytes->find('\0') != std::string::npos) {
        error = "NUL 文字を含むため、テキストとして読めません（UTF-16 なら BOM を付けて保存してください）";
        return std::nullopt;
    }
    return splitLines(decodeTextFile(*file.bytes));
}

bool writeFileBytes(const std::filesystem::path& path, WriteMode mode, std::string_view bytes, std::string& error)
{
    std::FILE* file = std::fopen(path.c_str(), mode == WriteMode::Append ? "ab" : "wb");
    if (!file) {
        error = platform::errnoText(errno);
        return false;
    }
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        error = platform::errnoText(written ? errno : writeError);
        return false;
    }
    return true;
}

std::filesystem::path temporaryBeside(const std::filesystem::path& path)
{
    static thread_local std::mt19937_64 rng{std::random_device{}()};
    std::filesystem::path temp = path;
    temp += ".tmp-" + std::to_string(rng() % 1000000000ULL);
    return temp;
}

bool isTemporaryName(const std::string& name)
{
    const auto mark = name.rfind(".tmp-");
    if (mark == std::string::npos || mark == 0 || mark + 5 == name.size()) {
        return false;
    }
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(mark + 5), name.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

int removeLeftoverTemporaries(const std::filesystem::path& folder)
{
    int removed = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ignored;
        if (isTemporaryName(it->path().filename().string()) && it->is_regular_file(ignored) &&
            !it->is_symlink(ignored) && std::filesystem::remove(it->path(), ignored)) {
            ++removed;
        }
    }
    return removed;
}

bool writeFileAtomic(const std::filesystem::path& link, std::string_view bytes, std::string& error,
                     Durability durability)
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

    const std::filesystem::path temp = temporaryBeside(path);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = platform::errnoText(errno);
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
            error = platform::errnoText(errno);
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    const bool synced = durability == Durability::Unsynced || ::fsync(fd) == 0;
    const int syncErrno = errno;
    if (::close(fd) != 0 || !synced) {
        error = platform::errnoText(synced ? errno : syncErrno);
        ::unlink(temp.c_str());
        return false;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        error = platform::errnoText(errno);
        ::unlink(temp.c_str());
        return false;
    }
    if (durability == Durability::Unsynced) {
        return true;
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
