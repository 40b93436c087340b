// matin compiled into this unit, as the unity build compiles it beside its callers: the compiler sees its
// body, inlines it and finds the determinant dead when the caller ignores it. The flags of the
// determinant's product must be raised all the same.
#include <gtest/gtest.h>

#include <cfenv>
#include <vector>

#include "matin.cpp"

namespace laifit {
namespace {

constexpr int kReported = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW;

// Inverts a diagonal matrix in place and ignores its determinant, as every caller of the estimator does;
// returns the flags the inversion raised.
// flatten inlines matin here whatever the compiler would choose, as a unity build may.
[[gnu::flatten]] int flags_of_inverting(std::vector<float>& a) {
  std::feclearexcept(FE_ALL_EXCEPT);
  float ignored;
  matin(a, static_cast<std::int32_t>(a.size() == 4 ? 2 : 1), {}, 0, ignored);
  return std::fetestexcept(kReported);
}

TEST(MatinInlined, RaisesTheDeterminantsFlagsWhenItsResultIsIgnored) {
  // Pivots 1e-30 and 1e-30: each is floored to 1e-20 for the elimination, their product 1e-60 is out of
  // the float range.
  std::vector<float> tiny{1e-30f, 0.0f, 0.0f, 1e-30f};
  EXPECT_EQ(flags_of_inverting(tiny), FE_UNDERFLOW);
  const float floored = numeric::store(1.0 / double{estimator_detail::kTiny});
  EXPECT_EQ(tiny, (std::vector<float>{floored, 0.0f, 0.0f, floored}));

  // Pivots 1e30 and 1e30: the inverse (1e-30) is in range, the product 1e60 overflows.
  std::vector<float> huge{1e30f, 0.0f, 0.0f, 1e30f};
  EXPECT_EQ(flags_of_inverting(huge), FE_OVERFLOW);
  EXPECT_EQ(huge, (std::vector<float>{1e-30f, 0.0f, 0.0f, 1e-30f}));
}

}  // namespace
}  // namespace laifit
