#pragma once

#include <string>

/// Text as it reads once written as CP932 and read back.
namespace vz::platform {

/// Every character CP932 holds becomes what CP932 gives back for it; one it cannot hold becomes
/// a decimal reference ("&#128512;"), a lone surrogate the invalid stand-in. With `jisRoman`, the
/// yen sign and overline of ISO-2022-JP's JIS-Roman set read as the backslash and tilde CP932
/// has in their bytes.
std::u16string asCp932Reads(std::u16string text, bool jisRoman);

} // namespace vz::platform
