#pragma once
// Reduces the observation table to "tempobs.txt": the four date integers and the LAI of every data row,
// the LAI being the column named "lai(n)" in the header. "tempobs2.txt" holds the table with its
// semicolons turned into blanks, so that the rows can be read in free format.

#include <array>
#include <string_view>

#include "records/units.hpp"

namespace laifit {

// The column number of "lai(n)" among the first 100 characters of a header line, or 0 when it has no
// such word. Words end at a semicolon or a blank; an empty word counts as a column.
int find_lai_column(const std::array<char, 200>& header);

// Leaves the observation table open on its unit (the next opening of that unit closes it).
void extract_observations(Units& units, std::string_view ficobs);

}  // namespace laifit
