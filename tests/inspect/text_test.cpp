#include "inspect/text.hpp"

#include <gtest/gtest.h>

#include "inspect/report.hpp"

namespace laifit::inspect {
namespace {

TEST(Text, DatesOfDayNumbersFollowLaifitsLeapYears) {
  struct Row {
    std::int32_t sowing, day;
    const char* date;
  };
  const Row rows[] = {
      {2011, 1, "01/01/2011"},   {2011, 110, "20/04/2011"}, {2011, 365, "31/12/2011"}, {2011, 366, "01/01/2012"},
      {2012, 60, "29/02/2012"},  {2012, 366, "31/12/2012"}, {2012, 367, "01/01/2013"}, {2011, 425, "29/02/2012"},
      {2100, 60, "29/02/2100"},  // every year divisible by 4 is a leap year, as in njan
  };
  for (const Row& r : rows) EXPECT_EQ(dmy(date_of_day(r.sowing, r.day)), r.date) << r.sowing << " " << r.day;
  EXPECT_EQ(iso(date_of_day(2011, 110)), "2011-04-20");
}

TEST(Text, LinesAreListedInRuns) {
  EXPECT_EQ(line_list({5}), "line 5");
  EXPECT_EQ(line_list({9, 3, 4, 5, 6, 3}), "lines 3 to 6 and 9");
  EXPECT_EQ(line_list({2, 3}), "lines 2 and 3");
  EXPECT_EQ(line_list({2, 4, 6, 8, 10, 12, 14, 16, 18, 20}), "lines 2, 4, 6, 8, 10, 12, 14, 16 and 2 more");
}

TEST(Text, NumbersReadAsWritten) {
  EXPECT_EQ(fixed(-0.0001, 3), "0.000");
  EXPECT_EQ(fixed(2.5, 1), "2.5");
  EXPECT_EQ(shortest(0.01f), "0.01");
  EXPECT_EQ(significant(1950.0, 6), "1950");
  EXPECT_EQ(significant(0.0039648665, 4), "0.003965");
  EXPECT_EQ(significant(-4.245e10, 4), "-4.245e+10");
  EXPECT_EQ(shown("a\tb\r"), "\"a\\tb\\r\"");
}

TEST(Text, WrapKeepsEveryWordAndTheWidth) {
  const std::string text = "one two  three four five six seven eight nine ten eleven twelve";
  const std::string wrapped = wrap(text, 20, "  1. ", "     ");
  std::string joined;
  std::istringstream in(wrapped);
  for (std::string line; std::getline(in, line);) {
    EXPECT_LE(line.size(), 20u) << line;
    joined += line.substr(5) + " ";
  }
  EXPECT_EQ(joined, "one two  three four five six seven eight nine ten eleven twelve ");
}

}  // namespace
}  // namespace laifit::inspect
