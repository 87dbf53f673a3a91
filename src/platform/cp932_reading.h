#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/icu_decoding.h"
#include "platform/japanese_scanners.h"

/// Text as it reads once written as CP932 and read back.
namespace vz::platform {

/// Every character CP932 holds becomes what CP932 gives back for it; one it cannot hold becomes
/// a decimal reference ("&#128512;"), a lone surrogate the invalid stand-in. With `jisRoman`, the
/// yen sign and overline of ISO-2022-JP's JIS-Roman set read as the backslash and tilde CP932
/// has in their bytes.
std::u16string asCp932Reads(std::u16string text, bool jisRoman);

/// Appends the text of the UTF-8 `bytes` as asCp932Reads gives it, in one pass without a decoded
/// copy, as far as the bytes are valid UTF-8: returns how many bytes it read, short of the size
/// at the first byte that begins no valid sequence. `reading`, when given, counts the characters
/// read as the UTF-8 reading of encoding detection does.
std::size_t appendUtf8AsCp932Reads(std::u16string& out, std::string_view bytes, const Consumed& consumed = {},
                                   Reading* reading = nullptr);

} // namespace vz::platform
