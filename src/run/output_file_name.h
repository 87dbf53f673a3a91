#pragma once

#include <optional>
#include <string>

namespace vz::run {

/// Why a site's FileName cannot name its page inside the data folder, in the words a report
/// gives; nothing when it can. A page is always a plain file of the data folder: a name with a
/// folder separator or one that is "." or ".." would write elsewhere, or over the folder itself.
std::optional<std::u16string> outputFileNameProblem(const std::u16string& FileName);

} // namespace vz::run
