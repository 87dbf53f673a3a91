#include "headless_command.h"

#include <algorithm>

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

} // namespace

int runHeadless(const HeadlessOptions& options, HeadlessFrontEnd& frontEnd, const platform::Clock& clock,
                platform::Fetcher& fetcher)
{
    run::RunState state;
    run::Reporter reporter(state, frontEnd, frontEnd);
    gather::RunValues values;
    gather::Services services{clock, frontEnd, frontEnd, frontEnd, reporter};

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

} // namespace vz::cli
