#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vz::run {

/// A whole file's bytes, or the reason it could not be read (UTF-8, Japanese).
struct FileBytes
{
    std::optional<std::string> bytes;
    std::string error;
};
/// The most a settings file (site list, weekday table) may hold: far beyond the most sites a site
/// list may have, and small enough to read whole.
inline constexpr std::uintmax_t kMaxTextFileBytes = 16 * 1024 * 1024;
/// Reads a regular file of at most `limit` bytes; a device, a pipe, a folder or a larger file is
/// refused without reading it, so a name like /dev/zero cannot make the program read forever.
FileBytes readFileBytes(const std::filesystem::path& path, std::uintmax_t limit = kMaxTextFileBytes);

/// Whether the bytes are well-formed UTF-8 and hold at least one character beyond ASCII.
bool isUtf8WithNonAscii(std::string_view bytes);

/// A text file's bytes as text: UTF-8 or UTF-16 when they begin with its byte-order mark (which
/// is dropped), UTF-8 when they are UTF-8 holding non-ASCII text, CP932 otherwise.
std::u16string decodeTextFile(std::string_view bytes);

/// Lines ended by CR LF or LF alone. A last line without its end still counts; an empty text
/// has no lines.
std::vector<std::u16string> splitLines(std::u16string_view text);

/// A text file's lines; nullopt with `error` set when it cannot be read or is no text (a NUL byte
/// outside UTF-16 with its mark).
std::optional<std::vector<std::u16string>> readTextLines(const std::filesystem::path& path, std::string& error);

enum class WriteMode { Replace, Append };
/// Writes `bytes` straight into the file (created when missing). Returns false with `error` set
/// when it cannot be opened, written or closed.
bool writeFileBytes(const std::filesystem::path& path, WriteMode mode, std::string_view bytes, std::string& error);

enum class Durability { Synced, Unsynced };
/// Writes `bytes` to a temporary file beside `path` and renames it into place, so a failure
/// leaves the old file untouched. Settings are synced to the disk before the rename; output pages,
/// which the next run writes again, need not be. Returns false with `error` set on failure.
bool writeFileAtomic(const std::filesystem::path& path, std::string_view bytes, std::string& error,
                     Durability durability = Durability::Synced);

/// The name of a new temporary file beside `path`: "NAME.tmp-NNNN".
std::filesystem::path temporaryBeside(const std::filesystem::path& path);
/// Whether a file name is one temporaryBeside() gives.
bool isTemporaryName(const std::string& name);
/// Removes the temporary files a save or a run that was killed left in `folder`; returns how many.
int removeLeftoverTemporaries(const std::filesystem::path& folder);

} // namespace vz::run
