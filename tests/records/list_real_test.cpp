// The free-format real from the integer kernel against the std::to_chars path it replaced, on samples of
// the 2^32 patterns that proofs/formatter_proof.cpp compares exhaustively.

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "list_real_reference.hpp"
#include "record_helpers.hpp"
#include "records/edit.hpp"
#include "records/fpflags.hpp"
#include "records/nine_digits.hpp"

namespace laifit {
namespace {

using testing::from_bits;

std::string fresh(std::uint32_t bits) {
  TextBuffer out;
  list_real(out, from_bits(bits));
  return std::string(out.view());
}

std::string reference_text(std::uint32_t bits) {
  TextBuffer out;
  reference::list_real(out, from_bits(bits));
  return std::string(out.view());
}

// Both signs of every pattern given; stops at the first difference.
void expect_as_reference(const std::vector<std::uint32_t>& patterns) {
  for (const std::uint32_t u : patterns) {
    for (const std::uint32_t bits : {u, u ^ 0x80000000u}) {
      ASSERT_EQ(fresh(bits), reference_text(bits)) << "bits " << std::hex << bits;
    }
  }
}

TEST(ListReal, SameAsReferenceOnSpecialPatterns) {
  std::vector<std::uint32_t> p = {0,          1,          2,          0x7FFFFF,   0x7FFFFE,   0x7F7FFFFF,
                                  0x7F800000, 0x7FC00000, 0x7F800001, 0x7FFFFFFF, 0x7FA5A5A5, 0x7FC0FFEE};
  // Every power of two, subnormal ones included, and its neighbours one unit in the last place away.
  for (int k = 0; k < 23; ++k) p.insert(p.end(), {(1u << k) - 1, 1u << k, (1u << k) + 1});
  for (std::uint32_t e = 1; e < 255; ++e) p.insert(p.end(), {(e << 23) - 1, e << 23, (e << 23) + 1});
  // The floats around each power of ten, where the rounded value may carry into the next decade.
  for (int j = -45; j <= 38; ++j) {
    const std::string text = "1e" + std::to_string(j);
    float f = 0.0f;
    std::from_chars(text.data(), text.data() + text.size(), f);
    for (std::uint32_t d = 0; d < 9; ++d) p.push_back(std::bit_cast<std::uint32_t>(f) - 4 + d);
  }
  p.insert(p.end(), {0x4E6E6B28, 0x3DCCCCCC, 0x3DCCCCCD});  // 999999936, 0.099999994, 0.1
  expect_as_reference(p);
}

TEST(ListReal, SameAsReferenceOnRandomPatterns) {
  std::mt19937 rng(20260415);
  std::uniform_int_distribution<std::uint32_t> any;
  std::uniform_int_distribution<std::uint32_t> subnormal(1, 0x7FFFFF);
  // Thermal times and fitted parameters: magnitudes 1e-3 … 3000.
  std::uniform_int_distribution<std::uint32_t> usual(0x3A83126F, 0x453B8000);
  std::vector<std::uint32_t> p;
  for (int k = 0; k < 150000; ++k) p.push_back(any(rng));
  for (int k = 0; k < 20000; ++k) p.push_back(subnormal(rng));
  for (int k = 0; k < 30000; ++k) p.push_back(usual(rng));
  expect_as_reference(p);
}

// A float m × 2^-k with m odd is m × 5^k × 10^-k exactly; when m × 5^k has ten digits it ends in 5 and
// lies half-way between two nine-digit results: the even one is kept. Such ties exist for k = 3 … 14
// (about 13 million floats); all of them for k >= 8, an even spread of 20000 for each smaller k.
TEST(ListReal, ExactTiesRoundToEven) {
  int checked = 0;
  std::uint64_t pow5 = 1;
  for (int k = 1; k <= 14; ++k) {
    pow5 *= 5;
    const std::uint64_t lo = (1000000000ull + pow5 - 1) / pow5 | 1;
    const std::uint64_t hi = std::min<std::uint64_t>((10000000000ull - 1) / pow5, (1u << 24) - 1);
    if (lo > hi) continue;
    const std::uint64_t count = (hi - lo) / 2 + 1;
    const std::uint64_t stride = count > 20000 ? count / 20000 * 2 : 2;
    for (std::uint64_t m = lo; m <= hi; m += stride) {
      // m × 2^-k as bits: the leading bit of m moved to the implicit place.
      const int width = std::bit_width(m);
      const std::uint32_t bits = static_cast<std::uint32_t>((width - 1 - k + 127) << 23) |
                                 (static_cast<std::uint32_t>(m << (24 - width)) & 0x7FFFFF);
      const std::uint64_t kept = m * pow5 / 10;
      const NineDigits nine = nine_digits(from_bits(bits));
      ASSERT_EQ(nine.digits, kept + (kept & 1)) << "m " << m << " k " << k;
      ASSERT_EQ(nine.exponent, 9 - k) << "m " << m << " k " << k;
      ASSERT_EQ(fresh(bits), reference_text(bits)) << "bits " << std::hex << bits;
      ++checked;
    }
  }
  EXPECT_GT(checked, 100000);
}

TEST(ListReal, SubnormalsRaiseNoFlag) {
  clear_fp_flags();
  TextBuffer out;
  for (const std::uint32_t bits : {0x00000001u, 0x007FFFFFu, 0x00400000u, 0x80012345u, 0x00800000u}) {
    list_real(out, from_bits(bits));
  }
  EXPECT_FALSE(raised_fp_flags().any());
  EXPECT_EQ(out.view().substr(0, 32), "  1.40129846E-45  1.17549421E-38");
}

}  // namespace
}  // namespace laifit
