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
        return u"vodezeva: 今日のサイトリストファイルが " + state.ProgramFolder + u"vodeZeva.def に設定されていません";
    case gather::StartUpResult::NoSites:
        return u"vodezeva: " + state.CurrentIniPath +
               u" に収集するサイトがありません。サイトを加えてから実行してください";
    case gather::StartUpResult::Busy:
        return u"vodezeva: データフォルダを別の vodeZeva が使用中のため、実行しませんでした（上の報告を見てください）";
    case gather::StartUpResult::Failed:
        return u"vodezeva: 実行の準備ができませんでした（上の報告を見てください）";
    case gather::StartUpResult::Ready:
        break;
    }
    return {};
}

int prepareAndRun(const HeadlessOptions& options, session::Session& session, HeadlessFrontEnd& frontEnd)
{
    session.values().lockName = "vodezeva --headless";
    gather::StartUpResult prepared = session.startUp(options.programFolder, options.iniFile, true);
    if (prepared == gather::StartUpResult::Ready && !session.anySite()) {
        // Only switched-off sites or blank lines: a run would gather nothing.
        prepared = gather::StartUpResult::NoSites;
    }
    if (prepared != gather::StartUpResult::Ready) {
        frontEnd.alert(whyNoRun(prepared, session.state()));
        if (const int signal = interruptSignal(); signal != 0) {
            return interruptedExitStatus(signal);
        }
        return prepared == gather::StartUpResult::Busy ? kExitBusy : kExitNoRun;
    }

    session.values().jobs = options.jobs;
    session.values().cacheResponses = !options.noCache;
    run::SiteListOptions& chosen = session.values().options;
    if (options.epub || options.vertical) {
        chosen.setFlag(run::SiteListOptions::kEpub, true);
    }
    if (options.vertical) {
        chosen.setFlag(run::SiteListOptions::kVertical, true);
    }
    const bool ran = session.driver().runOnce();
    if (const int signal = interruptSignal(); signal != 0) {
        frontEnd.alert(u"vodezeva: シグナルで中断しました。それまでに収集したページは閉じてあります");
        return interruptedExitStatus(signal);
    }
    if (!ran) {
        frontEnd.alert(u"vodezeva: 実行が途中で終わりました（上の報告を見てください）");
        return kExitNoRun;
    }
    if (session.reporter().writeFailures() > 0) {
        frontEnd.alert(u"vodezeva: 書き込めなかったファイルが " + text::number(session.reporter().writeFailures()) +
                       u" 件あります（上の報告を見てください）");
        return kExitUnwritten;
    }
    if (frontEnd.gathered() == 0 && frontEnd.failedDownloads() > 0) {
        frontEnd.alert(u"vodezeva: 何も収集できませんでした。ページのダウンロードが " +
                       text::number(frontEnd.failedDownloads()) + u" 件失敗しました（原因は上にあります）");
        return kExitNothingGathered;
    }
    frontEnd.information(u"vodezeva: ページは " + session.state().DataPath + u" にあります");
    return kExitRan;
}

} // namespace

int runHeadless(const HeadlessOptions& options, HeadlessFrontEnd& frontEnd, const platform::Clock& clock,
                platform::Fetcher& fetcher)
{
    if (options.iniFile) {
        // A mistyped name must not leave a new default site list behind it.
        std::error_code ec;
        const auto status = std::filesystem::status(text::toPath(*options.iniFile), ec);
        if (!std::filesystem::is_regular_file(status)) {
            frontEnd.alert(u"vodezeva: " + *options.iniFile +
                           (std::filesystem::exists(status)
                                ? u": 通常のファイルではありません（デバイスやパイプは読みません）"
                                : u": サイトリストファイルがありません"));
            return kExitUsage;
        }
    }
    frontEnd.setHeading(u"vodezeva " + run::dateTimeText(clock.now()));
    run::RunState state;
    session::Session session(state, clock, fetcher, {frontEnd, frontEnd, frontEnd, frontEnd});
    return prepareAndRun(options, session, frontEnd);
}

} // namespace vz::cli
