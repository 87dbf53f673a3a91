#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace vz::platform {

/// One file of a zip archive.
struct ZipEntry
{
    std::string name; ///< path inside the archive, "/" between folders
    std::string bytes;
    /// Stored as it is rather than compressed: for a file that readers look at in place.
    bool stored = false;
};

/// A zip archive of the entries, in their order, each dated `modified` (written in UTC): its bytes,
/// or nothing with `error` set. The same entries and date give the same bytes in any time zone.
std::optional<std::string> zipArchive(const std::vector<ZipEntry>& entries, std::time_t modified, std::string& error);

} // namespace vz::platform
