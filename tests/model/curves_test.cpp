#include "model/curves.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace laifit {
namespace {

std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

const CurveParameters kWorked{5.0f, 0.01f, 500.0f, 0.005f, 2000.0f};

TEST(Curve, ReproducesTheWorkedValuesBitForBit) {
  // Bit patterns of the curve at t = 0, 500, 1000, 1500, 2000 for p = 5, 0.01, 500, 0.005, 2000.
  const struct {
    float t;
    std::uint32_t expected;
  } cases[] = {
      {0.0f, 0x3D0823CA}, {500.0f, 0x401FD2B1}, {1000.0f, 0x409DD9E0}, {1500.0f, 0x4092DBF0}, {2000.0f, 0xB5C80000}};
  for (const auto& c : cases) {
    EXPECT_EQ(bits(lai_curve(kWorked, c.t)), c.expected) << "t = " << c.t;
  }
  // At t = 2000 the growth term is rounded to float before the subtraction: 5 * (0.9999997 - 1).
  EXPECT_FLOAT_EQ(lai_curve(kWorked, 2000.0f), -1.490116e-06f);
}

TEST(Curve, HasItsLandmarksAtP3AndP5) {
  // Growth term exactly 0.5 at t = p3 with no decline (p4 = 0 would give exp(0) = 1, so push p5 away).
  const CurveParameters p{2.0f, 0.01f, 500.0f, 0.005f, 100000.0f};
  EXPECT_EQ(lai_curve(p, 500.0f), 1.0f);
  // Decline term exactly 1 at t = p5: p1 * (g - 1) <= 0.
  const CurveParameters q{2.0f, 0.01f, 500.0f, 0.005f, 1800.0f};
  EXPECT_LE(lai_curve(q, 1800.0f), 0.0f);
  // Far below p5 (a fast decline) the curve is the plain logistic p1 * g.
  const CurveParameters r{2.0f, 0.01f, 500.0f, 0.05f, 1800.0f};
  EXPECT_FLOAT_EQ(lai_curve(r, 900.0f), static_cast<float>(2.0 / (1.0 + std::exp(-4.0))));
}

TEST(Curve, PassesNonFiniteValuesThrough) {
  // Decline exponent above 88.72: e2 is infinite, the curve is -Inf for a positive amplitude,
  // +Inf for a negative one and NaN for a zero one.
  CurveParameters p{5.0f, 0.01f, 500.0f, 0.1f, 1000.0f};
  EXPECT_EQ(lai_curve(p, 2000.0f), -INFINITY);
  p[0] = -5.0f;
  EXPECT_EQ(lai_curve(p, 2000.0f), INFINITY);
  p[0] = 0.0f;
  EXPECT_TRUE(std::isnan(lai_curve(p, 2000.0f)));
  // Growth exponent above 88.72: e1 infinite, growth term 0, only the decline is left.
  const CurveParameters q{5.0f, 1.0f, 500.0f, 0.0f, 0.0f};
  EXPECT_EQ(lai_curve(q, 0.0f), -5.0f);
}

// The table of combination codes: for each code, where p1..p5 come from ('c' cst, digit n par(n)).
struct CodeRow {
  std::int32_t icomb;
  int function;
  const char* sources;
};
const CodeRow kCodes[] = {
    {1, 1, "cccc1"},     {10, 1, "ccc1c"},    {100, 1, "cc1cc"},   {1000, 1, "c1ccc"},  {10000, 1, "1cccc"},
    {11000, 2, "12ccc"}, {10100, 2, "1c2cc"}, {10010, 2, "1cc2c"}, {10001, 2, "1ccc2"}, {1100, 2, "c12cc"},
    {1010, 2, "c1c2c"},  {1001, 2, "c1cc2"},  {110, 2, "cc12c"},   {101, 2, "cc1c2"},   {11, 2, "ccc12"},
    {11100, 3, "123cc"}, {11010, 3, "12c3c"}, {11001, 3, "12cc3"}, {10110, 3, "1c23c"}, {10101, 3, "1c2c3"},
    {10011, 3, "1cc23"}, {1110, 3, "c123c"},  {1101, 3, "c12c3"},  {1011, 3, "c1c23"},  {111, 3, "cc123"},
    {1111, 4, "c1234"},  {10111, 4, "1c234"}, {11011, 4, "12c34"}, {11101, 4, "123c4"}, {11110, 4, "1234c"},
    {11111, 5, "12345"},
};

TEST(Unpack, FollowsTheTableOfCodes) {
  const std::array<float, 5> cst{101.0f, 102.0f, 103.0f, 104.0f, 105.0f};
  const std::vector<float> par{1.0f, 2.0f, 3.0f, 4.0f, 5.0f};
  for (const CodeRow& row : kCodes) {
    const auto p = unpack(row.icomb, row.function, par, cst);
    ASSERT_TRUE(p.has_value()) << row.icomb;
    for (int k = 0; k < 5; ++k) {
      const char s = row.sources[k];
      const float expected = s == 'c' ? cst[k] : par[s - '1'];
      EXPECT_EQ((*p)[k], expected) << "icomb " << row.icomb << " p" << k + 1;
    }
    // The code belongs to its own function only.
    for (int n = 1; n <= 5; ++n) {
      if (n != row.function) {
        EXPECT_FALSE(unpack(row.icomb, n, par, cst).has_value()) << row.icomb << " n " << n;
      }
    }
  }
}

TEST(CurveFunctions, EveryCodeGivesTheFiveConstantCurveWhenParEqualsTheHeldValues) {
  CurveCoding param;
  param.cst = {5.0f, 0.01f, 500.0f, 0.005f, 2000.0f};
  for (const CodeRow& row : kCodes) {
    param.icomb = row.icomb;
    std::vector<float> par;
    for (int k = 0; k < 5; ++k) {
      if (row.sources[k] != 'c') par.push_back(param.cst[k]);
    }
    const CurveFunction f = curve_function(row.function);
    for (const float t : {0.0f, 500.0f, 1000.0f, 1500.0f, 2000.0f}) {
      EXPECT_EQ(bits(f(par, static_cast<std::int32_t>(par.size()), t, param)), bits(lai_curve(param.cst, t)))
          << "icomb " << row.icomb << " t " << t;
    }
  }
}

TEST(CurveFunctions, ForeignCodesGiveZeroAndF5IgnoresTheCode) {
  CurveCoding param;
  param.cst = {5.0f, 0.01f, 500.0f, 0.005f, 2000.0f};
  const std::vector<float> par{5.0f, 0.01f, 500.0f, 0.005f, 2000.0f};
  for (const std::int32_t icomb : {0, 2, 20000, 11111, 12, -1, 111111}) {
    param.icomb = icomb;
    EXPECT_EQ(f1(par, 5, 1000.0f, param), 0.0f) << icomb;
    EXPECT_EQ(f2(par, 5, 1000.0f, param), 0.0f) << icomb;
  }
  param.icomb = 1;
  EXPECT_EQ(f5(par, 5, 1000.0f, param), lai_curve(param.cst, 1000.0f));
  EXPECT_EQ(curve_function(0), nullptr);
  EXPECT_EQ(curve_function(6), nullptr);
}

}  // namespace
}  // namespace laifit
