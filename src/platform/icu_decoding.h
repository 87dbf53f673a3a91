#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vz::platform {

struct Decoded
{
    std::u16string text;
    /// Byte sequences that formed no character, each shown as the invalid stand-in.
    std::size_t invalid = 0;
};

/// Decodes `bytes` with the named ICU converter, a visible stand-in for every byte sequence that
/// forms no character. Throws when ICU itself fails.
Decoded decodeWith(const char* converter, std::string_view bytes);

} // namespace vz::platform
