#include "program_folder.h"

#include <cstdlib>
#include <system_error>

#include "platform/error_text.h"

namespace vz::platform {

namespace fs = std::filesystem;

namespace {

const char* env(const char* name)
{
    const char* value = std::getenv(name);
    return (value && *value) ? value : nullptr;
}

// A folder named by the user or the system is made when missing; whatever stands in its way is
// reported with the folder's name and the variable it came from, so the user knows what to fix.
ProgramFolderResult ensureFolder(const fs::path& folder, const char* from)
{
    std::error_code ec;
    if (fs::is_directory(folder, ec)) {
        return {folder, {}};
    }
    if (fs::exists(folder, ec)) {
        return {std::nullopt, folder.string() + "（" + from + "）はフォルダではありません"};
    }
    fs::create_directories(folder, ec);
    if (ec) {
        return {std::nullopt,
                "フォルダ " + folder.string() + "（" + from + "）を作れません（" + errnoText(ec.value()) + "）"};
    }
    return {folder, {}};
}

} // namespace

ProgramFolderResult findProgramFolder(const fs::path& program)
{
    if (const char* home = env("VODEZEVA_HOME")) {
        return ensureFolder(fs::path(home), "VODEZEVA_HOME");
    }
    std::error_code ec;
    const fs::path exe = program.empty() ? fs::read_symlink("/proc/self/exe", ec) : program;
    if (!ec && fs::exists(exe.parent_path() / "vodeZeva.def", ec)) {
        return {exe.parent_path(), {}};
    }
    if (const char* xdg = env("XDG_CONFIG_HOME")) {
        return ensureFolder(fs::path(xdg) / "vodezeva", "XDG_CONFIG_HOME");
    }
    if (const char* home = env("HOME")) {
        return ensureFolder(fs::path(home) / ".config" / "vodezeva", "HOME");
    }
    return {std::nullopt, "VODEZEVA_HOME、XDG_CONFIG_HOME、HOME のどれも設定されていません"};
}

} // namespace vz::platform
