#include "headless_command.h"

#include <algorithm>
#include <filesystem>

#include "cli/interrupt.h"
#include "gather/gathering_run.h"
#include "gather/startup.h"
#include "run/string_helpers.h"
#include "run/text.h"

namespace vz::cli {

namespace {

std::u16string whyNoRun(gather::StartUpResult result, const run::RunState& state)
{
    switch (result) {
    case gather::StartUpResult::NoIniFile:
        return u"vodezeva: no site list file is set for today in " + state.ProgramFolder + u"vodeZeva.def";
    case gather::StartUpResult::NoSites:
        return u"vodezeva: " + state.CurrentIniPath + u" holds no site to gather; add sites and run again";
    case gather::StartUpResult::Failed:
        return u"vodezeva: the run could not be prepared (see the reports above)";
    case gather::StartUpResult::Ready:
        break;
    }
    return {};
}

int prepareAndRun(const HeadlessOptions& options, run::RunState& state, gather::RunValues& values,
                  gather::Services& services, HeadlessFrontEnd& frontEnd, platform::Fetcher& fetcher)
{

    gather::StartUpResult prepared =
        options.iniFile ? gather::startUpWithFile(state, values, services, options.programFolder, *options.iniFile)
                        : gather::startUp(state, values, services, options.programFolder);
    const auto& rows = values.SiteTable.rows;
    const bool anySite =
        std::any_of(rows.begin(), rows.end(), [](const run::SiteRecord& site) { return !site.IndexName.empty(); });
    if (prepared == gather::StartUpResult::Ready && !anySite) {
        // Only switched-off sites or blank lines: a run would gather nothing.
        prepared = gather::StartUpResult::NoSites;
    }
    if (prepared != gather::StartUpResult::Ready) {
        frontEnd.alert(whyNoRun(prepared, state));
        gather::shutdown(state, services);
        return 1;
    }

    values.jobs = options.jobs;
    gather::RunContext context{state, values, services, fetcher};
    gather::RunDriver driver(context);
    const bool ran = driver.runOnce();
    gather::shutdown(state, services);
    if (!ran) {
        frontEnd.alert(u"vodezeva: the run ended early (see the report above)");
        return 1;
    }
    frontEnd.information(u"vodezeva: pages are in " + state.DataPath);
    return 0;
}

} // namespace

int runHeadless(const HeadlessOptions& options, HeadlessFrontEnd& frontEnd, const platform::Clock& clock,
                platform::Fetcher& fetcher)
{
    if (options.iniFile) {
        // A mistyped name must not leave a new default site list behind it.
        std::error_code ec;
        if (!std::filesystem::is_regular_file(text::toPath(*options.iniFile), ec)) {
            frontEnd.alert(u"vodezeva: " + *options.iniFile + u": no such site list file");
            return 2;
        }
    }
    run::RunState state;
    run::Reporter reporter(state, frontEnd, frontEnd);
    gather::RunValues values;
    InterruptibleYield events(frontEnd);
    gather::Services services{clock, events, frontEnd, frontEnd, reporter};
    try {
        return prepareAndRun(options, state, values, services, frontEnd, fetcher);
    } catch (const Interrupted& stop) {
        // The download in flight was abandoned and its part file removed; raw.tmp goes here.
        gather::shutdown(state, services);
        frontEnd.alert(u"vodezeva: stopped by a signal; the page being gathered may be incomplete");
        return interruptedExitStatus(stop.signal);
    }
}

} // namespace vz::cli
