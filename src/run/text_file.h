#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vz::run {

/// A whole file's bytes, or the reason it could not be read.
struct FileBytes
{
    std::optional<std::string> bytes;
    std::string error;
};
FileBytes readFileBytes(const std::filesystem::path& path);

/// Whether the bytes are well-formed UTF-8 and hold at least one character beyond ASCII.
bool isUtf8WithNonAscii(std::string_view bytes);

/// A text file's bytes as text: UTF-8 when they begin with its byte-order mark (which is
/// dropped) or are UTF-8 holding non-ASCII text, CP932 otherwise.
std::u16string decodeTextFile(std::string_view bytes);

/// Lines ended by CR LF or LF alone. A last line without its end still counts; an empty text
/// has no lines.
std::vector<std::u16string> splitLines(std::u16string_view text);

/// A text file's lines; nullopt with `error` set when it cannot be read.
std::optional<std::vector<std::u16string>> readTextLines(const std::filesystem::path& path, std::string& error);

enum class WriteMode { Replace, Append };
/// Writes `bytes` straight into the file (created when missing). Returns false with `error` set
/// when it cannot be opened, written or closed.
bool writeFileBytes(const std::filesystem::path& path, WriteMode mode, std::string_view bytes, std::string& error);

/// Writes `bytes` to a temporary file beside `path` and renames it into place, so a failure
/// leaves the old file untouched. Returns false with `error` set on failure.
bool writeFileAtomic(const std::filesystem::path& path, std::string_view bytes, std::string& error);

} // namespace vz::run
