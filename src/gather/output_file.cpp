#include "output_file.h"

#include "platform/cp932.h"
#include "run/text.h"
#include "run/text_file.h"

namespace vz::gather {

namespace {

void write(const std::u16string& path, const std::u16string& text, run::WriteMode mode)
{
    std::string error;
    if (!run::writeFileBytes(text::toPath(path), mode, platform::encodeCp932(text).bytes, error)) {
        throw OutputError(text::toUtf8(path) + ": " + error);
    }
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

} // namespace vz::gather
