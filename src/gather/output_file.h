#pragma once

#include <stdexcept>
#include <initializer_list>
#include <string>
#include <string_view>

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
/// Appends the pieces one after the other in one write, without joining them as text first (an
/// article may be many megabytes).
void appendOutput(const std::u16string& path, std::initializer_list<std::u16string_view> pieces);

} // namespace vz::gather
