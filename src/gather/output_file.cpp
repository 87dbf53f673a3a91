#include "output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/cp932.h"
#include "run/text.h"

namespace vz::gather {

namespace {

struct FileCloser
{
    void operator()(std::FILE* f) const { std::fclose(f); }
};

void write(const std::u16string& path, const std::u16string& text, const char* mode)
{
    const std::string bytes = platform::encodeCp932(text).bytes;
    const auto fail = [&] { throw OutputError(text::toUtf8(path) + ": " + std::strerror(errno)); };
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(text::toPath(path).c_str(), mode));
    if (!file) {
        fail();
    }
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        fail();
    }
    if (std::fclose(file.release()) != 0) {
        fail();
    }
}

} // namespace

void writeOutput(const std::u16string& path, const std::u16string& text)
{
    write(path, text, "wb");
}

void appendOutput(const std::u16string& path, const std::u16string& text)
{
    write(path, text, "ab");
}

} // namespace vz::gather
