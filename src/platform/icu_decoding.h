#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace vz::platform {

struct Decoded
{
    std::u16string text;
    /// Byte sequences that formed no character, each shown as the invalid stand-in.
    std::size_t invalid = 0;
};

/// Told, as decoding goes on, how many bytes from the input's start it is done with.
using Consumed = std::function<void(std::size_t bytes)>;

/// Decodes `bytes` with the named ICU converter, a visible stand-in for every byte sequence that
/// forms no character, appending to `into`. Throws when ICU itself fails.
std::size_t decodeWith(const char* converter, std::string_view bytes, std::u16string& into,
                       const Consumed& consumed = {});

/// As above, into a text of its own.
Decoded decodeWith(const char* converter, std::string_view bytes);

} // namespace vz::platform
