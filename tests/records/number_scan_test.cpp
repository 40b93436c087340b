#include "records/number_scan.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "record_helpers.hpp"

namespace laifit {
namespace {

std::optional<std::int32_t> integer(const std::string& token) {
  std::int32_t v = -12345;
  if (!NumberScan::of(token).integer(v)) return std::nullopt;
  return v;
}

std::optional<std::uint32_t> real_bits(const std::string& token) {
  float v = -12345.0f;
  if (!NumberScan::of(token).real(v)) return std::nullopt;
  return std::bit_cast<std::uint32_t>(v);
}

using testing::bits;

TEST(NumberScan, ReadsIntegersThatFitThirtyTwoBits) {
  const struct {
    const char* token;
    std::optional<std::int32_t> value;
  } cases[] = {
      {"42", 42},
      {"-7", -7},
      {"+5", 5},
      {"007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", std::numeric_limits<std::int32_t>::min()},
      {"2147483648", {}},
      {"-2147483649", {}},
      {"99999999999999999999", {}},
      {"1.0", {}},
      {"1e3", {}},
      {"", {}},
      {"-", {}},
      {"12a", {}},
      {"1-2", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(integer(c.token), c.value) << c.token;
  EXPECT_TRUE(NumberScan::of("12").plain_digits());
  EXPECT_FALSE(NumberScan::of("+12").plain_digits());
  EXPECT_FALSE(NumberScan::of("1.2").plain_digits());
}

TEST(NumberScan, ReadsRealsStraightToTheNearestFloat) {
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    const char* token;
    std::optional<std::uint32_t> bits;
  } cases[] = {
      {"1.5+3", bits(1500.0f)},
      {"1.5d2", bits(150.0f)},
      {"2Q-1", bits(0.2f)},
      {".5", bits(0.5f)},
      {"5.", bits(5.0f)},
      {"-0", bits(-0.0f)},
      {"1E0", bits(1.0f)},
      // Nearest float, never through a double: just above 1 + 2^-24 rounds up to the next float.
      {"1.0000000596046447755", 0x3F800001u},
      {"1.00000005960464477", 0x3F800000u},
      {"inf", bits(inf)},
      {"-Infinity", bits(-inf)},
      {"1e39", bits(inf)},
      {"-1e-50", bits(-0.0f)},
      {"1.401298464324817e-45", 0x00000001u},
      {".", {}},
      {"e5", {}},
      {"1e", {}},
      {"1.5e+", {}},
      {"infinit", {}},
      {"nanny", {}},
      {"1..2", {}},
      {"0x10", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(real_bits(c.token), c.bits) << c.token;
  float v = 0.0f;
  ASSERT_TRUE(NumberScan::of("NaN").real(v));
  EXPECT_TRUE(std::isnan(v));
  // A sticky digit far beyond the kept ones still decides a tie: 1 + 2^-24 exactly is a tie to even,
  // one more digit at the 250th place rounds it up.
  const std::string tie = "1.000000059604644775390625";
  EXPECT_EQ(real_bits(tie), 0x3F800000u);
  EXPECT_EQ(real_bits(tie + std::string(250, '0') + "1"), 0x3F800001u);
}

}  // namespace
}  // namespace laifit

namespace laifit {
namespace {

// The division of a short decimal gives the float from_chars gives, on every value of up to five digits at
// every point position, on the largest digits it takes, and on a sample of seven- and eight-digit ones
// up to 10^-10; it refuses what a single division cannot round exactly.
TEST(ShortDecimalFloat, IsTheNearestFloatOrRefuses) {
  auto check = [](std::uint64_t digits, std::size_t fraction_digits) {
    std::string text = std::to_string(digits);
    if (fraction_digits > 0) {
      if (text.size() <= fraction_digits) text.insert(0, fraction_digits + 1 - text.size(), '0');
      text.insert(text.size() - fraction_digits, ".");
    }
    float want = 0, got = -1;
    std::from_chars(text.data(), text.data() + text.size(), want);
    ASSERT_TRUE(short_decimal_float(digits, fraction_digits, got)) << text;
    ASSERT_EQ(bits(got), bits(want)) << text;
  };
  for (std::uint64_t d = 0; d < 100'000; ++d)
    for (std::size_t k = 0; k <= 5; ++k) check(d, k);
  std::uint64_t state = 88172645463325252u;
  for (int n = 0; n < 200'000; ++n) {
    state ^= state << 13, state ^= state >> 7, state ^= state << 17;
    check(state % ((std::uint64_t{1} << 24) + 1), std::size_t(state >> 40) % 11);
  }
  for (std::size_t k = 0; k <= 10; ++k) check(std::uint64_t{1} << 24, k);
  float out = 0;
  EXPECT_FALSE(short_decimal_float((std::uint64_t{1} << 24) + 1, 1, out));
  EXPECT_FALSE(short_decimal_float(5, 11, out));
}

}  // namespace
}  // namespace laifit
