#include "numeric/exp.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <numbers>
#include <set>

#include "numeric/fast_path.hpp"
#include "table_check.hpp"

namespace laifit::numeric {
namespace {

using table::Flag;

using table::bits;

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
  for (std::uint32_t edge : {0x00000000u, 0x80000000u, 0x00000001u, 0x807FFFFFu, 0x00800000u, 0x80800000u,
                             0x7F7FFFFFu, 0xFF7FFFFFu, 0x7F800000u, 0xFF800000u, 0x7FC00000u, bits(0x1p-54f),
                             bits(708.0f), bits(710.0f), bits(-708.0f), bits(-746.0f)}) {
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

}  // namespace
}  // namespace laifit::numeric
