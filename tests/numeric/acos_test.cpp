#include "numeric/acos.hpp"

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

TEST(AcosCr, MatchesEverySampledArgumentBitForBitWithItsFlags) {
  const auto groups = table::load("acos.bin");
  const table::Summary s = table::check_table(groups, acos_cr);
  EXPECT_EQ(s.mismatches, 0u);
  EXPECT_GT(s.entries, 250000u);
  // ordinary results and the invalid ones outside [-1, 1]
  EXPECT_EQ(s.flags_seen, Flag::invalid);
}

TEST(AcosCr, TableHoldsTheEdgesAndReachesTheAccuratePath) {
  const auto groups = table::load("acos.bin");
  std::set<std::uint32_t> arguments;
  std::size_t accurate = 0;
  for (const auto& g : groups) {
    for (const auto& e : g.entries) {
      arguments.insert(e.argument);
      if (!detail::acos_fast_path_decides(double(std::bit_cast<float>(e.argument)))) ++accurate;
    }
  }
  // +-1 and their neighbours inside and outside, +-0, subnormals, the branch points, infinities, NaN
  for (std::uint32_t edge : {bits(1.0f), bits(-1.0f), 0x3F7FFFFFu, 0xBF7FFFFFu, 0x3F800001u, 0xBF800001u, 0x00000000u,
                             0x80000000u, 0x00000001u, 0x807FFFFFu, bits(0.5f), bits(-0.5f), bits(0x1p-13f),
                             bits(0x1p-30f), 0x7F800000u, 0xFF800000u, 0x7FC00000u}) {
    EXPECT_EQ(arguments.count(edge), 1u) << table::hex(edge);
  }
  EXPECT_GT(accurate, 1000u);
}

TEST(AcosCr, GivesTheExactAndTheBestKnownValues) {
  const struct {
    double x, expected;
  } cases[] = {{1.0, 0.0}, {-1.0, std::numbers::pi}, {0.0, std::numbers::pi / 2}, {-0.0, std::numbers::pi / 2}};
  for (const auto& c : cases) {
    table::clear_flags();
    EXPECT_EQ(std::bit_cast<std::uint64_t>(acos_cr(c.x)), std::bit_cast<std::uint64_t>(c.expected)) << c.x;
    EXPECT_EQ(table::raised_flags(), 0u) << c.x;
  }
}

}  // namespace
}  // namespace laifit::numeric
