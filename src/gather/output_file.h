#pragma once

#include <stdexcept>
#include <string>

namespace vz::gather {

/// An output page that could not be written. It ends the run and reaches whoever started it,
/// which reports it.
class OutputError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// Writes text to an output page in CP932 (characters it cannot hold as character references),
/// replacing the file or appending to it. Throws OutputError when the file cannot be written.
void writeOutput(const std::u16string& path, const std::u16string& text);
void appendOutput(const std::u16string& path, const std::u16string& text);

} // namespace vz::gather
