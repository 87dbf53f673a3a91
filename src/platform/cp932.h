#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

/// CP932 (Windows Shift_JIS), the encoding of every text file the program reads and writes.
namespace vz::platform {

/// CP932 bytes to text. Bytes that form no CP932 character become U+FFFD, so decoding never fails.
std::u16string decodeCp932(std::string_view bytes);

struct Cp932Bytes
{
    std::string bytes;
    /// Characters CP932 cannot hold, in order of first appearance, each once.
    std::vector<char32_t> unmappable;
};

/// Text to CP932 bytes. A character CP932 cannot hold is written as a decimal character reference
/// ("&#128512;"): nothing is lost, the output stays pure CP932, and a browser shows the character.
/// The JIS-style code points of a few symbols (wave dash, double vertical line, minus sign, cent,
/// pound, not sign, em dash) are written as the CP932 characters they stand for.
Cp932Bytes encodeCp932(std::u16string_view text);

/// The most bytes one character takes as encodeCp932 writes it ("&#1114111;").
inline constexpr std::size_t kLongestCp932 = 10;

/// Encodes the start of `text` as encodeCp932 does into the `room` bytes at `out`, as far as the
/// longest character still fits: returns how many units of the text it encoded (never half a
/// surrogate pair) and adds the bytes written to `written`. Output of any length goes through a
/// buffer of a fixed size this way.
std::size_t encodeCp932Part(std::u16string_view text, char* out, std::size_t room, std::size_t& written);

/// The character's CP932 code: 0 to 255 for a single-byte character, the two bytes read as a
/// signed 16-bit number (so negative) for a double-byte one. A character CP932 cannot hold counts
/// as "?" (63), as the system's conversion would write it.
int cp932Code(char16_t c);

/// In cp932ReadBack(): the character cannot be held and is written as a reference.
inline constexpr char16_t kNotHeld = 0xFFFF;

/// What each BMP character reads as once written in CP932 and read back, by its value: itself for
/// most, the CP932 character for the JIS forms encodeCp932 maps, kNotHeld for one CP932 cannot
/// hold.
const std::array<char16_t, 0x10000>& cp932ReadBack();

/// Whether the character takes two bytes in CP932.
inline bool isDoubleByte(char16_t c)
{
    return cp932Code(c) < 0;
}

} // namespace vz::platform
