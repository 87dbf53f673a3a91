#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace vz::test {

/// A fresh folder under the system's temporary folder, removed with everything in it when the
/// object goes.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    /// The folder as the core takes folders: text ending in "/".
    std::u16string folder() const;

private:
    std::filesystem::path m_path;
};

/// A whole file's bytes ("" when it cannot be read).
std::string readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::string& bytes);
/// Every file under `root` by its path relative to it, "/" separated, with its bytes.
std::map<std::string, std::string> filesUnder(const std::filesystem::path& root);

} // namespace vz::test
