#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vz::extract {

/// Relative widths of the letters "A" (65) to "z" (122); only the 52 letters are used.
using LetterWidthTable = std::array<float, 58>;

/// Fills the table with the fixed letter widths.
void SetLetterWidths(LetterWidthTable& widths);

/// Width of one single-byte character: its table value for A-Z and a-z, 1 otherwise.
float LetterWidth(const LetterWidthTable& widths, char16_t c);

/// What line fitting reads: the FitToScreen setting as read ("E" turns fitting on), the letters
/// per line and the letter widths.
struct LineFitting
{
    std::u16string FitToScreen;
    std::int16_t NrLtrLine = 0;
    LetterWidthTable LetterWidths{};
};

/// Inserts blanks where a small screen may break a line: where Japanese and Latin text meet, and
/// wherever the running width estimate reaches the line width. Tags are copied untouched and
/// paragraph and break tags start a new line. Returns the text unchanged unless fitting is on.
std::u16string AddSpc(const LineFitting& fitting, std::u16string_view text);
/// AddSpc on the text's own storage: only the blanks it adds are held apart while it works.
void addSpcInPlace(const LineFitting& fitting, std::u16string& article);

} // namespace vz::extract
