#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "extract/line_fitting.h"
#include "gather/picture_store.h"
#include "platform/clock.h"
#include "platform/event_yield.h"
#include "platform/file_lock.h"
#include "platform/messages.h"
#include "run/front_end.h"
#include "run/reporter.h"
#include "run/run_state.h"
#include "run/site_list_file.h"
#include "run/site_list_options.h"

namespace vz::gather {

/// What the main window keeps for the run besides the shared run state.
struct RunValues
{
    extract::LineFitting fitting; ///< FitToScreen ("E" when on), NrLtrLine, LetterWidths
    run::SiteTable SiteTable;
    /// What the site list file's options file says (the book, and how it runs).
    run::SiteListOptions options;
    std::u16string StandardHead;
    /// Counters that run on for the life of the program, never reset. Wider than 16 bits, so a
    /// long-running program numbers on instead of overflowing.
    std::int32_t PictureNumber = 0;
    std::int32_t TopicFileNumber = 0;
    /// Pages and pictures fetched at once during a run (at most 4 from one server); 1 fetches
    /// one at a time. The desktop program's setting and the headless command's --jobs.
    int jobs = 8;
    /// Responses are kept across runs and asked for again with their validators; off for one run
    /// with --no-cache.
    bool cacheResponses = true;
    PictureLimits pictures;
    /// Held from Init to the end of the run that follows, so that no other program writes the same
    /// data folder meanwhile (its pages, log and pictures would be mixed with this run's).
    platform::FileLock dataFolderLock;
    /// How this program names itself to another that finds the data folder taken.
    std::string lockName = "vodezeva";
};

/// The lock file of a data folder.
inline constexpr const char16_t* kDataFolderLockName = u"vodeZeva.lock";

/// The services start-up and Init talk to.
struct Services
{
    const platform::Clock& clock;
    platform::EventYield& events;
    platform::Messages& messages;
    run::FrontEnd& frontEnd;
    run::Reporter& reporter;
};

/// A value of the settings line that a run cannot take: the message, the field, the value.
struct SettingProblem
{
    std::u16string message;
    std::u16string field;
    std::u16string value;
};

/// The line fitting the settings line asks for (FitToScreen, NrLtrLine and the letter widths).
std::variant<extract::LineFitting, SettingProblem> lineFittingOf(const run::RunSettings& settings);
/// The highest index of a site's links a run reads at most: the settings line's NrPage less one,
/// or 9999 when it is empty.
std::variant<std::int16_t, SettingProblem> lastArticleIndexOf(const run::RunSettings& settings);

/// The head of a site page that declares Shift_JIS.
std::u16string standardHead();

/// The message shown when the site list file did not exist or holds no site.
std::u16string noSitesMessage(const std::u16string& iniPath);

enum class InitResult {
    Ready,   ///< settings and sites loaded, data folder prepared and held
    NoSites, ///< the file was created or holds no site; the configuration window was opened
    Failed,  ///< reported under "INIT"
    Busy,    ///< another program holds the data folder; reported under "INIT" with its process
};

/// Loads the run state from CurrentIniPath and prepares the data folder: the day folder when
/// daily folders are on, the folder taken for this program (RunValues::dataFolderLock, held when
/// Ready), temporary files a killed run left removed, a fresh log, the old pictures folder removed.
InitResult Init(run::RunState& state, RunValues& values, Services& services);

enum class StartUpResult { Ready, NoSites, NoIniFile, Failed, Busy };

/// Start-up without the automatic run: program folder, today's site list file, the first log
/// line, Init.
StartUpResult startUp(run::RunState& state, RunValues& values, Services& services, const std::u16string& programFolder);

/// Start-up with a site list file picked by hand (the weekday table is neither read nor
/// created): program folder, the first log line, Init.
StartUpResult startUpWithFile(run::RunState& state, RunValues& values, Services& services,
                              const std::u16string& programFolder, const std::u16string& iniFile);

} // namespace vz::gather
