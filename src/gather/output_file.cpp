#include "output_file.h"

#include "platform/cp932.h"
#include "run/text.h"
#include "run/text_file.h"

namespace vz::gather {

namespace {

void writeBytes(const std::u16string& path, const std::string& bytes, run::WriteMode mode)
{
    std::string error;
    if (!run::writeFileBytes(text::toPath(path), mode, bytes, error)) {
        throw OutputError(text::toUtf8(path) + ": " + error);
    }
}

void write(const std::u16string& path, const std::u16string& text, run::WriteMode mode)
{
    writeBytes(path, platform::encodeCp932(text).bytes, mode);
}

} // namespace

void writeOutput(const std::u16string& path, const std::u16string& text)
{
    write(path, text, run::WriteMode::Replace);
}

void appendOutput(const std::u16string& path, const std::u16string& text)
{
    write(path, text, run::WriteMode::Append);
}

void appendOutput(const std::u16string& path, std::initializer_list<std::u16string_view> pieces)
{
    std::string bytes;
    for (const std::u16string_view piece : pieces) {
        platform::appendCp932(bytes, piece);
    }
    writeBytes(path, bytes, run::WriteMode::Append);
}

} // namespace vz::gather
