#pragma once

#include <cstdint>
#include <string>

#include "extract/line_fitting.h"
#include "platform/downloader.h"
#include "run/reporter.h"

namespace vz::extract {

/// What article cutting reads and changes besides its arguments. The run builds one and keeps it
/// for the whole run; every member refers to the run's own value, so a change there is seen here.
struct ExtractContext
{
    run::Reporter& reporter;
    const LineFitting& fitting;
    platform::Downloader& downloader;
    /// The run's data folder, ending in "/"; kept pictures go into its "pix/" folder.
    const std::u16string& DataPath;
    /// Number of the next kept picture; runs on for the life of the program.
    std::int32_t& PictureNumber;
};

} // namespace vz::extract
