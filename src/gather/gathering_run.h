#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gather/site_plan.h"
#include "gather/startup.h"
#include "platform/fetcher.h"

namespace vz::gather {

/// The start/stop button's captions.
inline constexpr const char16_t* kStartCaption = u"開始";
inline constexpr const char16_t* kStopCaption = u"終了";
/// Shown when a run that was not started automatically ends.
inline constexpr const char16_t* kFinishedMessage = u"ダウンロードが終了しました。";
/// The site page (or a topic file of the site) could not be written.
inline constexpr const char16_t* kPageNotWritten = u"出力ファイルに書き込めませんでした。";

/// How one site went, for progress reports.
struct SiteOutcome
{
    std::u16string IndexName;
    int gathered = 0;
    int failed = 0;
};

/// Everything a run touches. The session owns the pieces.
struct RunContext
{
    run::RunState& state;
    RunValues& values;
    Services& services;
    /// Every page and picture goes through it, within RunValues::jobs.
    platform::Fetcher& fetcher;
};

/// Walks the run's site table once: contents page, then per site the index page, the links, the
/// site page and its articles. Checks Running after every link and every site. Ends with Running
/// cleared and the start caption; shows the finished message unless AutoStart is on.
/// A site whose page cannot be written is reported and skipped; so is a contents page.
std::vector<SiteOutcome> gatherSites(RunContext& context);

} // namespace vz::gather
