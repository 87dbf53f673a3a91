#include "system_info.h"

#include <cstdlib>
#include <string_view>

#include <unistd.h>

namespace vz::platform {

const char* processEnvironment(const char* name)
{
    return std::getenv(name);
}

std::optional<std::string> findSysInfo(const EnvironmentLookup& environment)
{
    const char* named = environment("VODEZEVA_SYSINFO");
    if (named && *named) {
        return std::string(named);
    }
    const char* path = environment("PATH");
    if (!path) {
        return std::nullopt;
    }
    for (const char* program : kSysInfoPrograms) {
        std::string_view rest = path;
        while (true) {
            const std::size_t colon = rest.find(':');
            const std::string_view folder = rest.substr(0, colon);
            // An empty entry is the current folder, which is not searched for a program started
            // from a menu.
            if (!folder.empty()) {
                std::string candidate(folder);
                candidate += '/';
                candidate += program;
                if (::access(candidate.c_str(), X_OK) == 0) {
                    return candidate;
                }
            }
            if (colon == std::string_view::npos) {
                break;
            }
            rest.remove_prefix(colon + 1);
        }
    }
    return std::nullopt;
}

bool StartSysInfo(const EnvironmentLookup& environment, ProgramStarter& starter, Messages& messages)
{
    const auto program = findSysInfo(environment);
    if (program && starter.start(*program)) {
        return true;
    }
    messages.alert(kNoSysInfoMessage);
    return false;
}

} // namespace vz::platform
