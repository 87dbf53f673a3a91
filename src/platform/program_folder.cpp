#include "program_folder.h"

#include <cstdlib>
#include <system_error>

namespace vz::platform {

namespace fs = std::filesystem;

namespace {

const char* env(const char* name)
{
    const char* value = std::getenv(name);
    return (value && *value) ? value : nullptr;
}

} // namespace

ProgramFolderResult findProgramFolder()
{
    if (const char* home = env("VODEZEVA_HOME")) {
        return {fs::path(home), {}};
    }
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && fs::exists(exe.parent_path() / "vodeZeva.def", ec)) {
        return {exe.parent_path(), {}};
    }
    fs::path config;
    if (const char* xdg = env("XDG_CONFIG_HOME")) {
        config = fs::path(xdg) / "vodezeva";
    } else if (const char* home = env("HOME")) {
        config = fs::path(home) / ".config" / "vodezeva";
    } else {
        return {std::nullopt, "neither VODEZEVA_HOME, XDG_CONFIG_HOME nor HOME is set"};
    }
    fs::create_directories(config, ec);
    if (ec) {
        return {std::nullopt, config.string() + ": " + ec.message()};
    }
    return {config, {}};
}

} // namespace vz::platform
