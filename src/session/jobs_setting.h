#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "run/reporter.h"

namespace vz::session {

/// Pages and pictures fetched at once when nothing else says.
inline constexpr int kDefaultJobs = 8;
inline constexpr int kMaxJobs = 64;

/// A number of transfers at once as given after --jobs: decimal digits only, 1 to kMaxJobs.
std::optional<int> parseJobs(std::string_view text);

/// How many pages and pictures the desktop program fetches at once. The number a person picks is
/// kept in `vodeZeva.jobs` in the program folder for later starts; --jobs on the command line
/// overrides it for one start and leaves the file alone.
class JobsSetting
{
public:
    /// `jobs` is the number the runs take (the session's value), kept here as it changes.
    explicit JobsSetting(int& jobs) : m_jobs(jobs) {}

    /// The number for this start: `commandLine` when given, else the file's; a missing or damaged
    /// file means kDefaultJobs.
    void load(const std::u16string& programFolder, std::optional<int> commandLine);
    int jobs() const { return m_jobs; }

    /// A person picked `jobs`: it holds from the next run on and is written to the file. A file
    /// that cannot be written is reported, and the number still holds until the program closes.
    /// Returns whether the file was written.
    bool choose(int jobs, run::Reporter& reporter);

private:
    std::u16string m_path;
    int& m_jobs;
};

} // namespace vz::session
