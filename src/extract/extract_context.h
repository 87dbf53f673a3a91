#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "extract/line_fitting.h"
#include "run/reporter.h"

namespace vz::extract {

/// Where kept pictures go. Extraction decides which pictures a text names and where each may be
/// fetched from; the gathering run fetches, numbers and stores them.
class PictureKeeper
{
public:
    virtual ~PictureKeeper() = default;
    /// Readies the pictures folder; called for every text whose pictures are kept.
    virtual void prepare() = 0;
    /// Fetches the picture from the first of `tries` that answers and stores it under the next
    /// number and `extension` when it has more than `minPix` bytes (any size when `minPix` is
    /// negative). Returns the tag that shows the stored copy, or nothing when it was dropped.
    virtual std::u16string keep(const std::vector<std::u16string>& tries, std::u16string_view extension,
                                std::int32_t minPix) = 0;
};

/// What article cutting reads and changes besides its arguments. The run builds one and keeps it
/// for the whole run; every member refers to the run's own value, so a change there is seen here.
struct ExtractContext
{
    run::Reporter& reporter;
    const LineFitting& fitting;
    PictureKeeper& pictures;
    /// When set, and fitting to the screen changes the article, receives the article as it would
    /// be without fitting (for readers that fit lines themselves); left empty otherwise.
    std::u16string* unfitted = nullptr;
};

} // namespace vz::extract
