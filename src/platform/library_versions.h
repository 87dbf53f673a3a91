#pragma once

#include <string>

namespace vz::platform {

/// The versions of the libraries the program runs with, as they report themselves.
std::string icuVersion();
std::string curlVersion();

} // namespace vz::platform
