#include "report/gass60.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "capture.hpp"

namespace laifit {
namespace {

using testing::records;

std::vector<float> counting(int n, float scale) {
  std::vector<float> v;
  for (int i = 1; i <= n; ++i) v.push_back(scale * static_cast<float>(i));
  return v;
}

TEST(Gass60, PrintsVectorsInPanelsOfTenColumns) {
  struct Case {
    const char* name;
    std::int32_t nq;
    std::string expected;
  };
  const std::vector<Case> cases{
      {"empty", 0, ""},
      {"negative length", -3, ""},
      {"one", 1, records({"        1", "   0.1000E+01"})},
      {"two panels", 12,
       records({"        1           2           3           4           5           6           7           8"
                "           9          10",
                "   0.1000E+01  0.2000E+01  0.3000E+01  0.4000E+01  0.5000E+01  0.6000E+01  0.7000E+01  0.8000E+01"
                "  0.9000E+01  0.1000E+02",
                "       11          12", "   0.1100E+02  0.1200E+02"})},
      {"no empty last panel", 20,
       records({"        1           2           3           4           5           6           7           8"
                "           9          10",
                "   0.1000E+01  0.2000E+01  0.3000E+01  0.4000E+01  0.5000E+01  0.6000E+01  0.7000E+01  0.8000E+01"
                "  0.9000E+01  0.1000E+02",
                "       11          12          13          14          15          16          17          18"
                "          19          20",
                "   0.1100E+02  0.1200E+02  0.1300E+02  0.1400E+02  0.1500E+02  0.1600E+02  0.1700E+02  0.1800E+02"
                "  0.1900E+02  0.2000E+02"})},
  };
  for (const Case& c : cases) {
    testing::Captured io;
    const std::vector<float> a = counting(20, 1.0f);
    gass60(1, c.nq, a, {}, {}, io.screen, io.report, 0);
    EXPECT_EQ(io.report_text(), c.expected) << c.name;
    EXPECT_EQ(io.screen_text(), "") << c.name;
  }
}

TEST(Gass60, SplitsTwentyFiveColumnsIntoThreePanels) {
  testing::Captured io;
  const std::vector<float> a = counting(25, -0.5f);
  gass60(7, 25, a, {}, {}, io.screen, io.report, 0);  // an unknown type prints like type 1
  const std::string text = io.report_text();
  EXPECT_EQ(text.substr(text.find("       21")),
            records({"       21          22          23          24          25",
                     "  -0.1050E+02 -0.1100E+02 -0.1150E+02 -0.1200E+02 -0.1250E+02"}));
  EXPECT_NE(text.find("\r\n       11          12"), std::string::npos);
  std::size_t lines = 0;
  for (char ch : text) lines += ch == '\n';
  EXPECT_EQ(lines, 6u);
}

TEST(Gass60, PrintsTheSecondVectorFirstForTypeTwo) {
  testing::Captured io;
  const std::vector<float> lower{1.5f, -2.25f};
  const std::vector<float> upper{3.0f, 0.001f};
  gass60(2, 2, lower, upper, {}, io.screen, io.report, 0);
  EXPECT_EQ(io.report_text(),
            records({"        1           2", "   0.3000E+01  0.1000E-02", "   0.1500E+01 -0.2250E+01"}));
}

TEST(Gass60, PrintsTheLowerTriangleRowByRow) {
  // A symmetric 5 x 5 matrix with c(i, j) = -(10 i + j) / 100 off the diagonal and 1 on it.
  std::vector<float> c(25);
  for (int i = 1; i <= 5; ++i)
    for (int j = 1; j <= 5; ++j) {
      const int lo = std::min(i, j), hi = std::max(i, j);
      c[(j - 1) * 5 + (i - 1)] = i == j ? 1.0f : -static_cast<float>(10 * hi + lo) / 100.0f;
    }
  testing::Captured io;
  gass60(3, 5, {}, {}, c, io.screen, io.report, 0);
  EXPECT_EQ(io.report_text(), records({"        1           2           3           4           5", "   1  1.0000",
                                       "   2 -0.2100      1.0000", "   3 -0.3100     -0.3200      1.0000",
                                       "   4 -0.4100     -0.4200     -0.4300      1.0000",
                                       "   5 -0.5100     -0.5200     -0.5300     -0.5400      1.0000"}));
}

TEST(Gass60, PrintsRowsBelowThePanelInFullWidth) {
  // Order 12: the first panel has ten triangle rows and two full rows of ten values; the second panel
  // holds the 2 x 2 corner.
  std::vector<float> c(144);
  for (int i = 1; i <= 12; ++i)
    for (int j = 1; j <= 12; ++j)
      c[(j - 1) * 12 + (i - 1)] = i == j ? 1.0f : 0.0625f * static_cast<float>(std::min(i, j));
  testing::Captured io;
  gass60(3, 12, {}, {}, c, io.screen, io.report, 0);
  const std::string text = io.report_text();
  EXPECT_NE(text.find(records({"  11  0.0625      0.1250      0.1875      0.2500      0.3125      0.3750      0.4375"
                               "      0.5000      0.5625      0.6250",
                               "  12  0.0625      0.1250      0.1875      0.2500      0.3125      0.3750      0.4375"
                               "      0.5000      0.5625      0.6250",
                               "       11          12", "  11  1.0000", "  12  0.6875      1.0000"})),
            std::string::npos)
      << text;
}

TEST(Gass60, EchoesEveryRecordOnTheScreenOnlyAtPrintLevelThree) {
  const std::vector<float> a{1, 2};
  const std::vector<float> b{3, 4};
  for (std::int32_t imp : {-1, 0, 1, 2, 3, 4}) {
    testing::Captured io;
    gass60(2, 2, a, b, {}, io.screen, io.report, imp);
    const std::string report = io.report_text();
    EXPECT_EQ(report, records({"        1           2", "   0.3000E+01  0.4000E+01", "   0.1000E+01  0.2000E+01"}));
    EXPECT_EQ(io.screen_text(), imp == 3 ? report : "") << "imp " << imp;
  }
  // On one channel the echo follows each record at once.
  testing::Captured io;
  gass60(2, 2, a, b, {}, io.report, io.report, 3);
  EXPECT_EQ(io.report_text(),
            records({"        1           2", "        1           2", "   0.3000E+01  0.4000E+01",
                     "   0.3000E+01  0.4000E+01", "   0.1000E+01  0.2000E+01", "   0.1000E+01  0.2000E+01"}));
}

}  // namespace
}  // namespace laifit
