#include "driver/njan.hpp"

#include <gtest/gtest.h>

namespace laifit {
namespace {

TEST(Njan, GivesTheDayOfTheYearInModeZero) {
  EXPECT_EQ(njan(2011, 4, 15, 0), 105);
  EXPECT_EQ(njan(2012, 4, 15, 0), 106);
  EXPECT_EQ(njan(2012, 2, 29, 0), 60);
  EXPECT_EQ(njan(2011, 12, 31, 0), 365);
  EXPECT_EQ(njan(2012, 12, 31, 0), 366);
  EXPECT_EQ(njan(2011, 1, 1, 0), 1);
  EXPECT_EQ(njan(2100, 3, 1, 0), 61);  // every year divisible by 4 is a leap year
}

TEST(Njan, UsesTheTenMonthOffsetsOfTheTable) {
  const int before[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  for (int m = 1; m <= 12; ++m) {
    EXPECT_EQ(njan(2011, m, 1, 0), before[m - 1] + 1) << "month " << m;
    EXPECT_EQ(njan(2012, m, 1, 0), before[m - 1] + 1 + (m > 2 ? 1 : 0)) << "month " << m;
  }
}

TEST(Njan, CountsThroughTheLeapCycleInPositiveMode) {
  EXPECT_EQ(njan(2011, 3, 1, 1), 59 + 1 + 3 * 365 + 1);
  EXPECT_EQ(njan(2013, 1, 1, 1), 1 + 365 + 1);
  EXPECT_EQ(njan(2012, 3, 1, 1), 61);  // a leap year counts as in mode zero
}

TEST(Njan, DoesNotValidateTheDate) {
  EXPECT_EQ(njan(2011, 4, 30, 0), 120);
  EXPECT_EQ(njan(2011, 4, 31, 0), 121);
  EXPECT_EQ(njan(2011, 13, 0, 0), 365);
}

}  // namespace
}  // namespace laifit
