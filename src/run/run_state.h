#pragma once

#include <cstdint>
#include <string>

namespace vz::run {

/// The process-wide run state every part of the program shares. One instance lives for the
/// whole program; windows and the run get it by reference.
struct RunState
{
    std::u16string CurrentIniPath; ///< site list file the run uses
    std::u16string EditIniPath;    ///< site list file loaded in the configuration window
    std::u16string ProgramFolder;  ///< always ends in "/"
    std::u16string DataPath;       ///< effective data folder; ends in "/" once known
    bool AutoStart = false;
    bool DailySort = false;
    bool Contents = false;
    bool SeparateTopicFiles = false;
    std::int16_t LastArticleIndex = 0; ///< run NrPage minus 1, or 9999 without a limit
    std::int16_t SiteCount = 0;        ///< lines of the run's site list file minus 1
    std::int16_t EditSiteCount = 0;    ///< lines of the edited site list file minus 1
    bool IniChosenByHand = false;
    bool Running = false;
    bool PageCharsetKnown = false;
};

} // namespace vz::run
