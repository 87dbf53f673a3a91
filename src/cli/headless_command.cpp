#include "headless_command.h"

#include <filesystem>

#include "cli/interrupt.h"
#include "gather/startup.h"
#include "run/reporter.h"
#include "run/text.h"
#include "session/session.h"

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

int prepareAndRun(const HeadlessOptions& options, session::Session& session, HeadlessFrontEnd& frontEnd)
{
    gather::StartUpResult prepared = session.startUp(options.programFolder, options.iniFile);
    if (prepared == gather::StartUpResult::Ready && !session.anySite()) {
        // Only switched-off sites or blank lines: a run would gather nothing.
        prepared = gather::StartUpResult::NoSites;
    }
    if (prepared != gather::StartUpResult::Ready) {
        frontEnd.alert(whyNoRun(prepared, session.state()));
        session.shutdown();
        return kExitNoRun;
    }

    session.values().jobs = options.jobs;
    const bool ran = session.driver().runOnce();
    session.shutdown();
    if (!ran) {
        frontEnd.alert(u"vodezeva: the run ended early (see the report above)");
        return kExitNoRun;
    }
    if (frontEnd.gathered() == 0 && frontEnd.failedDownloads() > 0) {
        frontEnd.alert(u"vodezeva: nothing was gathered; " + text::number(frontEnd.failedDownloads()) +
                       u" page downloads failed (see the causes above)");
        return kExitNothingGathered;
    }
    frontEnd.information(u"vodezeva: pages are in " + session.state().DataPath);
    return kExitRan;
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
            return kExitUsage;
        }
    }
    frontEnd.setHeading(u"vodezeva " + run::dateTimeText(clock.now()));
    run::RunState state;
    InterruptibleYield events(frontEnd);
    session::Session session(state, clock, fetcher, {frontEnd, frontEnd, frontEnd, events});
    try {
        return prepareAndRun(options, session, frontEnd);
    } catch (const Interrupted& stop) {
        // What was under way was abandoned; nothing of it is on the disk.
        session.shutdown();
        frontEnd.alert(u"vodezeva: stopped by a signal; the page being gathered may be incomplete");
        return interruptedExitStatus(stop.signal);
    }
}

} // namespace vz::cli
