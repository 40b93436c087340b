#pragma once
// Output editing of single fields: the I, F, E and A descriptors, and the free-format layouts of an
// integer (11 positions) and a real (16 positions, 9 significant digits).
//
// Digits are always those of the decimal value nearest to the stored float (ties to even): for the free
// format from the integer kernel of nine_digits.hpp, for F and E fields from one std::to_chars call per
// value. Formatting never raises a floating-point flag of its own: values are classified by their bits,
// and subnormal values given to std::to_chars are converted under a saved floating-point state.

#include <cstdint>
#include <string_view>

#include "records/text_buffer.hpp"

namespace laifit {

void edit_integer(TextBuffer& out, std::int32_t value, int width);
void edit_fixed(TextBuffer& out, float value, int width, int digits);
void edit_exponent(TextBuffer& out, float value, int width, int digits);
// Aw: w characters of the text; a wider field puts blanks before it, a narrower one keeps its start.
void edit_characters(TextBuffer& out, std::string_view text, int width);

void list_integer(TextBuffer& out, std::int32_t value);
void list_real(TextBuffer& out, float value);

}  // namespace laifit
