#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vz::test {

/// One file of a zip archive as it was read back.
struct ZipFile
{
    std::string name;
    std::string bytes;
    bool stored = false; ///< kept uncompressed
    /// Extra fields in its local header, which the book's first file must not have.
    int extraFields = 0;
};

/// The files of a zip archive in their order; nothing when the bytes are no archive.
std::optional<std::vector<ZipFile>> readZip(const std::string& bytes);

/// The bytes of the named file of the archive, "" when it has none.
std::string fileIn(const std::vector<ZipFile>& files, const std::string& name);

} // namespace vz::test
