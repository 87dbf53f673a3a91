#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace vz::platform {

struct ProgramFolderResult
{
    std::optional<std::filesystem::path> folder;
    std::string error; ///< why no folder could be had
};

/// The folder that holds the weekday table and the default site list file:
/// $VODEZEVA_HOME when set (created when missing); else the folder of `program` (by default the
/// running executable) when it holds a "vodeZeva.def" (a portable install); else
/// $XDG_CONFIG_HOME/vodezeva (default ~/.config/vodezeva), created when missing.
ProgramFolderResult findProgramFolder(const std::filesystem::path& program = {});

} // namespace vz::platform
