#pragma once

#include <string>

#include "run/reporter.h"

/// File and folder chores. Each reports its own failure through DispErr and returns, so the
/// caller goes on; none throws.
namespace vz::run {

void DirCreateOne(Reporter& reporter, const std::u16string& path);
/// Creates every missing folder along `path`, up to its last "/" (text after it is not created).
void DirCreate(Reporter& reporter, const std::u16string& path);
bool DirExists(Reporter& reporter, const std::u16string& path);
bool FileExists(Reporter& reporter, const std::u16string& path);
void FileDelete(Reporter& reporter, const std::u16string& path);
void FileCopy(Reporter& reporter, const std::u16string& source, const std::u16string& target);
void DirDelete(Reporter& reporter, const std::u16string& path);
/// Writes a text file (site list, weekday table) in CP932 with CR LF line ends, through a
/// temporary file beside it. When the text holds characters CP932 cannot hold, the file is written
/// as UTF-8 with a byte-order mark instead, so that nothing changes, and that is reported. A file
/// that cannot be written is reported and the old one stays as it was. Returns whether it was written.
bool writeTextFile(Reporter& reporter, const std::u16string& path, const std::u16string& text,
                   const std::u16string& procedure);

} // namespace vz::run
