#pragma once
// Reduces the observation table to "tempobs.txt": the four date integers and the LAI of every data row,
// the LAI being the column named "lai(n)" in the header. "tempobs2.txt" holds the table with its
// semicolons turned into blanks, so that the rows can be read in free format.

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "records/units.hpp"

namespace laifit {

// A word of a header line: its characters, its column number (from 1) and the position of the
// separator that ends it (from 0).
struct HeaderWord {
  std::string text;
  int column = 0;
  std::size_t separator = 0;
};

// The words of a header line that end within its first `scanned` characters. Words end at a semicolon
// or a blank; an empty word counts as a column.
std::vector<HeaderWord> header_words(std::span<const char> header, std::size_t scanned);

// The column number of "lai(n)" among the first 100 characters of a header line, or 0 when it has no
// such word. A word is compared by its first 12 characters.
int find_lai_column(const std::array<char, 200>& header);

// Leaves the observation table open on its unit (the next opening of that unit closes it).
void extract_observations(Units& units, std::string_view ficobs);

}  // namespace laifit
