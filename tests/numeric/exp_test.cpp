#include "numeric/exp.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <numbers>
#include <set>

#include "numeric/fast_path.hpp"
#include "numeric/store.hpp"
#include "table_check.hpp"

namespace laifit::numeric {
namespace {

using table::Flag;

using table::bits;

// Arguments whose short-path double lies near a float rounding boundary (numeric_proof lists them).
constexpr std::uint32_t kStoredNearBoundary[] = {0xbc2a461au, 0x3c5dc4c8u, 0x3c8442d2u, 0x3caffe2eu};

TEST(ExpCr, MatchesEverySampledArgumentBitForBitWithItsFlags) {
  const auto groups = table::load("exp.bin");
  const table::Summary s = table::check_table(groups, exp_cr);
  EXPECT_EQ(s.mismatches, 0u);
  EXPECT_GT(s.entries, 400000u);
  // ordinary results, overflows and tiny results (underflow, including those that round to +0)
  EXPECT_EQ(s.flags_seen, Flag::overflow | Flag::underflow);
}

TEST(ExpCr, TableHoldsTheEdgesAndReachesTheAccuratePath) {
  const auto groups = table::load("exp.bin");
  std::set<std::uint32_t> arguments;
  std::size_t accurate = 0;
  for (const auto& g : groups) {
    for (const auto& e : g.entries) {
      arguments.insert(e.argument);
      if (!detail::exp_fast_path_decides(double(std::bit_cast<float>(e.argument)))) ++accurate;
    }
  }
  // +-0, smallest and largest subnormals and normals, infinities, NaN, the branch points
  for (std::uint32_t edge : {0x00000000u, 0x80000000u, 0x00000001u, 0x807FFFFFu, 0x00800000u, 0x80800000u, 0x7F7FFFFFu,
                             0xFF7FFFFFu, 0x7F800000u, 0xFF800000u, 0x7FC00000u, bits(0x1p-54f), bits(708.0f),
                             bits(710.0f), bits(-708.0f), bits(-746.0f)}) {
    EXPECT_EQ(arguments.count(edge), 1u) << table::hex(edge);
  }
  EXPECT_GT(accurate, 20000u);
}

TEST(ExpCr, GivesTheExactAndTheBestKnownValues) {
  const struct {
    double x, expected;
  } cases[] = {{0.0, 1.0}, {-0.0, 1.0}, {1.0, std::numbers::e}, {-INFINITY, 0.0}, {INFINITY, INFINITY}};
  for (const auto& c : cases) {
    table::clear_flags();
    EXPECT_EQ(std::bit_cast<std::uint64_t>(exp_cr(c.x)), std::bit_cast<std::uint64_t>(c.expected)) << c.x;
    EXPECT_EQ(table::raised_flags(), 0u) << c.x;
  }
}

// exp_cr_stored against store(exp_cr(x)) on one argument: the same float bits and the same flags.
bool stored_matches(std::uint32_t argument) {
  const double x = double(std::bit_cast<float>(argument));
  table::clear_flags();
  const float want = store(exp_cr(x));
  const unsigned want_flags = table::raised_flags();
  table::clear_flags();
  const float got = exp_cr_stored(x);
  const unsigned got_flags = table::raised_flags();
  return (bits(got) == bits(want) || (got != got && want != want)) && got_flags == want_flags;
}

TEST(ExpCrStored, IsTheStoredCorrectlyRoundedExpOnSampledArgumentsWithItsFlags) {
  std::size_t compared = 0, mismatches = 0, short_path = 0;
  unsigned flags_seen = 0;
  auto check = [&](std::uint32_t argument) {
    ++compared;
    if (!stored_matches(argument)) ++mismatches;
    if (detail::exp_stored_short_path_decides(double(std::bit_cast<float>(argument)))) ++short_path;
    table::clear_flags();
    exp_cr_stored(double(std::bit_cast<float>(argument)));
    flags_seen |= table::raised_flags();
  };
  // every 4099th bit pattern, and every argument of the table of exp_cr (its edges and accurate path)
  for (std::uint64_t b = 7; b < (std::uint64_t{1} << 32); b += 4099) check(std::uint32_t(b));
  for (const auto& g : table::load("exp.bin"))
    for (const auto& e : g.entries) check(e.argument);
  // arguments below 87 in magnitude whose short-path double lies near a float rounding boundary
  for (std::uint32_t argument : kStoredNearBoundary) {
    EXPECT_FALSE(detail::exp_stored_short_path_decides(double(std::bit_cast<float>(argument)))) << table::hex(argument);
    EXPECT_TRUE(stored_matches(argument)) << table::hex(argument);
  }
  EXPECT_EQ(mismatches, 0u);
  EXPECT_GT(compared, 1400000u);
  EXPECT_GT(short_path, compared / 4);
  // the store's overflow, and the underflow and denormal operand of the tiny doubles
  EXPECT_EQ(flags_seen, Flag::overflow | Flag::underflow | Flag::denormal);
}

}  // namespace
}  // namespace laifit::numeric
