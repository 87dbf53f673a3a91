#pragma once

#include <string_view>

namespace vz::platform {

/// Whether an address that a fetched page supplied (an article link, a picture, a link joined
/// onto a base) may be fetched: only http and https. A page written by a stranger must never make
/// the program read a local file or speak another protocol. Addresses the user typed into the
/// site list are not asked about. `url` is UTF-8; the scheme is matched without regard to case,
/// after the blanks and control characters the fetcher strips.
bool isFetchableFromPage(std::string_view url);

} // namespace vz::platform
