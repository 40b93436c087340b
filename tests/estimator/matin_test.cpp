#include "estimator/matin.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace laifit {
namespace {

TEST(Matin, InvertsAndSolvesTwoByTwoExactly) {
  // Rows (4, 2) and (2, 3), stored column by column; right-hand side (2, 1).
  std::vector<float> a{4, 2, 2, 3};
  std::vector<float> b{2, 1};
  float det = 0;
  matin(a, 2, b, 1, det);
  EXPECT_EQ(det, 8.0f);
  EXPECT_EQ(a, (std::vector<float>{0.375f, -0.25f, -0.25f, 0.5f}));
  EXPECT_EQ(b, (std::vector<float>{0.5f, 0.0f}));
}

TEST(Matin, SolvesTheTransposedSystemOfANonSymmetricMatrix) {
  // A = rows (2, 1, 0), (1, 3, 1), (0, 2, 4); columns stored one after the other.
  const double rows[3][3] = {{2, 1, 0}, {1, 3, 1}, {0, 2, 4}};
  std::vector<float> a(9);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) a[j * 3 + i] = static_cast<float>(rows[i][j]);
  // Two right-hand sides: (1, 2, 3) and (0, 1, 0).
  std::vector<float> b{1, 2, 3, 0, 1, 0};
  const std::vector<float> rhs = b;
  float det = 0;
  matin(a, 3, b, 2, det);
  EXPECT_NEAR(det, 16.0, 1e-5);  // pivots 2, 2.5 and 3.2
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      double product = 0;  // (A^-1 A)(i, j)
      for (int k = 0; k < 3; ++k) product += double(a[k * 3 + i]) * rows[k][j];
      EXPECT_NEAR(product, i == j ? 1.0 : 0.0, 1e-6) << i << "," << j;
    }
  }
  for (int col = 0; col < 2; ++col) {
    for (int i = 0; i < 3; ++i) {
      double lhs = 0;  // (A' x)(i)
      for (int k = 0; k < 3; ++k) lhs += rows[k][i] * double(b[col * 3 + k]);
      EXPECT_NEAR(lhs, rhs[col * 3 + i], 1e-6) << "column " << col << " row " << i;
    }
  }
}

TEST(Matin, FloorsZeroNegativeAndUndefinedPivotsButReportsThemInTheDeterminant) {
  struct Case {
    const char* name;
    std::vector<float> a;
    float det;
    std::vector<double> inverse;  // expected, to 1e-6 relative
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<Case> cases{
      // The second pivot becomes exactly 0 after the first elimination step.
      {"singular", {1, 1, 1, 1}, 0.0f, {1e20, -1e20, -1e20, 1e20}},
      // A negative pivot is eliminated as 1e-20: the result is 1e20, not -0.5.
      {"negative", {-2}, -2.0f, {1e20}},
      {"zero", {0}, 0.0f, {1e20}},
      {"tiny positive", {1e-25f}, 1e-25f, {1e20}},
  };
  for (const Case& c : cases) {
    std::vector<float> a = c.a;
    const auto n = static_cast<std::int32_t>(std::lround(std::sqrt(double(a.size()))));
    float det = 99;
    matin(a, n, {}, 0, det);
    EXPECT_EQ(det, c.det) << c.name;
    for (std::size_t k = 0; k < a.size(); ++k) {
      EXPECT_NEAR(a[k] / c.inverse[k], 1.0, 1e-6) << c.name << " entry " << k;
    }
  }
  std::vector<float> a{nan};
  float det = 0;
  matin(a, 1, {}, 0, det);
  EXPECT_TRUE(std::isnan(det));
  EXPECT_NEAR(a[0] / 1e20, 1.0, 1e-6);
}

TEST(Matin, LeavesEverythingAloneWithoutEquationsAndRightHandSidesWithoutColumns) {
  std::vector<float> a{5, 6};
  std::vector<float> b{7, 8};
  float det = 0;
  matin(a, 0, b, 1, det);
  EXPECT_EQ(det, 1.0f);
  EXPECT_EQ(a, (std::vector<float>{5, 6}));
  EXPECT_EQ(b, (std::vector<float>{7, 8}));

  std::vector<float> m{2};
  matin(m, 1, b, 0, det);
  EXPECT_EQ(m[0], 0.5f);
  EXPECT_EQ(b, (std::vector<float>{7, 8}));
}

}  // namespace
}  // namespace laifit
