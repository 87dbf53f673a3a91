#pragma once

#include <optional>
#include <string>

#include "run/run_state.h"

namespace vz::edit {

/// Why a run started now would gather nothing, in words for the main window and what to do about
/// it; nothing when it would gather something. Reads the run's site list file as Init would,
/// without reporting: a file that cannot be read is left for Init to report.
std::optional<std::u16string> nothingToRun(const run::RunState& state);

} // namespace vz::edit
