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
      {2011, 1, "01/01/2011"},  {2011, 110, "20/04/2011"}, {2011, 365, "31/12/2011"}, {2011, 366, "01/01/2012"},
      {2012, 60, "29/02/2012"}, {2012, 366, "31/12/2012"}, {2012, 367, "01/01/2013"}, {2011, 425, "29/02/2012"},
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
  EXPECT_EQ(shown("a\tb\r"), "\"a\\x09b\\x0D\"");
}

TEST(Text, OneEscapingRuleForTheTerminalAndXml) {
  // Valid UTF-8 passes; controls, DEL, C1 controls, U+FFFE and U+FFFF, and every byte of an invalid
  // sequence (a stray continuation, an overlong form, a surrogate, beyond U+10FFFF, a cut sequence)
  // are written \xHH.
  EXPECT_EQ(escaped("m\xC2\xB2 \xE2\x82\xAC \xF0\x9F\x8C\xB1"), "m\xC2\xB2 \xE2\x82\xAC \xF0\x9F\x8C\xB1");
  EXPECT_EQ(escaped(std::string_view("a\0b\x1B[31m\x7F", 9)), "a\\x00b\\x1B[31m\\x7F");
  EXPECT_EQ(escaped("\xC2\x9B\xEF\xBF\xBE\xEF\xBF\xBF"), "\\xC2\\x9B\\xEF\\xBF\\xBE\\xEF\\xBF\\xBF");
  EXPECT_EQ(escaped("\x80\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80\xE2\x82"),
            "\\x80\\xC0\\xAF\\xED\\xA0\\x80\\xF4\\x90\\x80\\x80\\xE2\\x82");
  EXPECT_EQ(escaped("\xFF\xFE"), "\\xFF\\xFE");
  EXPECT_EQ(escaped("one\ntwo\n", true), "one\ntwo\n");
  EXPECT_EQ(escaped("one\ntwo"), "one\\x0Atwo");
  EXPECT_EQ(escaped_xml("<a href=\"x\">&'\x01\xFF</a>"), "&lt;a href=&quot;x&quot;&gt;&amp;&apos;\\x01\\xFF&lt;/a&gt;");
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
