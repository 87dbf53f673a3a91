#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vz::extract {

/// Which marker of a pair a page lacks: the start marker, or the end marker at or after it.
enum class MarkerMiss { None, Start, End };

/// Where a pair of markers stands in a page, searched case-sensitively as the cutting steps search
/// them: the start marker's 1-based position (0 when it is missing) and what is missing. The end
/// marker counts from the first character of the start marker on, so one overlapping it counts.
struct MarkerPair
{
    std::ptrdiff_t start = 0;
    MarkerMiss miss = MarkerMiss::None;
};
MarkerPair findMarkerPair(std::u16string_view page, std::u16string_view startMarker, std::u16string_view endMarker);

/// Text of a page that reads as a marker but for letter case, blanks, the kind of quote or
/// full-width letters: what a person most likely meant when the marker itself is not found.
struct NearMiss
{
    std::size_t at = 0;  ///< 0-based position in the page
    std::u16string text; ///< as the page writes it, at most a few hundred characters
};

/// The first such text at or after 0-based `from`, other than the marker itself. `cancelled`, when
/// given, is asked now and then on a long page; once it says yes the search gives up.
std::optional<NearMiss> findNearMiss(std::u16string_view page, std::u16string_view marker, std::size_t from = 0,
                                     const std::function<bool()>& cancelled = {});

} // namespace vz::extract
