#include "jobs_setting.h"

#include <algorithm>

#include "run/file_helpers.h"
#include "run/string_helpers.h"
#include "run/text.h"
#include "run/text_file.h"

namespace vz::session {

std::optional<int> parseJobs(std::string_view text)
{
    if (text.empty() || text.size() > 2 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    int n = 0;
    for (char c : text) {
        n = n * 10 + (c - '0');
    }
    if (n < 1 || n > kMaxJobs) {
        return std::nullopt;
    }
    return n;
}

void JobsSetting::load(const std::u16string& programFolder, std::optional<int> commandLine)
{
    m_path = run::withFolderEnd(programFolder) + u"vodeZeva.jobs";
    m_jobs = kDefaultJobs;
    if (commandLine) {
        m_jobs = *commandLine;
        return;
    }
    std::string error;
    const auto lines = run::readTextLines(text::toPath(m_path), error);
    if (lines && !lines->empty()) {
        m_jobs = parseJobs(text::toUtf8(lines->front())).value_or(kDefaultJobs);
    }
}

bool JobsSetting::choose(int jobs, run::Reporter& reporter)
{
    m_jobs = jobs;
    return run::writeTextFile(reporter, m_path, text::number(jobs) + u"\r\n", u"mnuJobs");
}

} // namespace vz::session
