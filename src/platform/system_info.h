#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/messages.h"
#include "platform/program_starter.h"

namespace vz::platform {

/// Shown when no system information program can be started.
inline constexpr const char16_t* kNoSysInfoMessage = u"現時点ではｼｽﾃﾑ情報を使用できません";

/// Reads an environment variable; null when it is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;

/// The system information programs looked for on the PATH, in order.
inline constexpr const char* kSysInfoPrograms[] = {"hardinfo", "kinfocenter", "gnome-system-monitor"};

/// Where the system information program is: the program VODEZEVA_SYSINFO names when it is set
/// and not empty, else the first of kSysInfoPrograms found as an executable file on the PATH.
std::optional<std::string> findSysInfo(const EnvironmentLookup& environment);

/// Starts the system information program; when there is none, or it cannot be started, says so
/// with kNoSysInfoMessage. Returns whether a program was started.
bool StartSysInfo(const EnvironmentLookup& environment, ProgramStarter& starter, Messages& messages);

/// The process environment.
const char* processEnvironment(const char* name);

} // namespace vz::platform
