#include "driver/extraction.hpp"

#include <gtest/gtest.h>

#include <string>

namespace laifit {
namespace {

int column_of(const std::string& header) {
  std::array<char, 200> line;
  line.fill(' ');
  header.copy(line.data(), std::min<std::size_t>(header.size(), 200));
  return find_lai_column(line);
}

TEST(HeaderScan, CountsColumnsAsTheWordsEndAtSemicolonsOrBlanks) {
  EXPECT_EQ(column_of("c1;c2;c3;c4;lai(n);c6"), 5);
  EXPECT_EQ(column_of("c1 c2 c3 c4 c5 lai(n)"), 6);
  EXPECT_EQ(column_of("c1;c2;c3;c4;;lai(n)"), 6);  // the empty word counts as a column
  EXPECT_EQ(column_of(";c2;c3;c4;lai(n)"), 5);     // so does an empty first word
  EXPECT_EQ(column_of("lai(n);c2"), 1);
}

TEST(HeaderScan, MatchesExactlyWithinTheFirstHundredCharacters) {
  EXPECT_EQ(column_of("c1;c2;c3;c4;LAI(n)"), 0);
  EXPECT_EQ(column_of("c1;c2;c3;c4;lai(n)x;lai"), 0);
  // A word of more than 12 characters is compared by its first 12.
  EXPECT_EQ(column_of("c1;c2;c3;c4;lai(n)......;c6"), 0);
  // The separator after lai(n) must lie within the first 100 characters.
  EXPECT_EQ(column_of(std::string(92, 'x') + ";lai(n);"), 2);  // separator at 100
  EXPECT_EQ(column_of(std::string(93, 'x') + ";lai(n);"), 0);  // separator at 101
  // More than 20 words before lai(n) are still counted.
  std::string many;
  for (int k = 1; k <= 24; ++k) many += "w;";
  EXPECT_EQ(column_of(many + "lai(n);"), 25);
}

}  // namespace
}  // namespace laifit
