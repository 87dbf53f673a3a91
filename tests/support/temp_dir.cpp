#include "support/temp_dir.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include <cstdlib>

namespace vz::test {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vodezeva-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::u16string TempDir::folder() const
{
    // mkdtemp names are ASCII, so the path converts as it stands.
    return m_path.u16string() + u"/";
}

std::string readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::map<std::string, std::string> filesUnder(const std::filesystem::path& root)
{
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root, ec)) {
        if (entry.is_regular_file()) {
            files[entry.path().lexically_relative(root).generic_string()] = readBytes(entry.path());
        }
    }
    return files;
}

} // namespace vz::test
