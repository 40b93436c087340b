// What exp_cr and acos_cr do to flags that they did not raise themselves, and to NaN arguments.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "fp_flags.hpp"
#include "numeric/acos.hpp"
#include "numeric/exp.hpp"

namespace laifit::numeric {
namespace {

using table::Flag;

constexpr unsigned kAll = Flag::invalid | Flag::divide_by_zero | Flag::overflow | Flag::underflow | Flag::denormal;

struct Call {
  const char* name;
  double (*f)(double);
  double x;
};

// An ordinary result, an overflow, an underflow to a subnormal, an underflow to +0, an invalid
// argument and a NaN argument.
const Call kCalls[] = {{"exp", exp_cr, 1.5},      {"exp", exp_cr, 710.0},
                       {"exp", exp_cr, -740.0},   {"exp", exp_cr, -800.0},
                       {"acos", acos_cr, 0.25},   {"acos", acos_cr, 2.0},
                       {"acos", acos_cr, -0.875}, {"exp", exp_cr, std::bit_cast<double>(0x7FF8000000000000ull)}};

TEST(NumericFlags, CallersFlagsSurviveEveryKindOfCall) {
  for (const Call& c : kCalls) {
    table::clear_flags();
    table::raise_flags(kAll);
    c.f(c.x);
    EXPECT_EQ(table::raised_flags(), kAll) << c.name << "(" << c.x << ")";
  }
}

TEST(NumericFlags, NanArgumentsComeBackQuietWithTheirPayloadAndNoFlag) {
  // quiet, negative quiet, with a payload, signalling (quietened), negative signalling
  const std::uint64_t nans[] = {0x7FF8000000000000, 0xFFF8000000000000, 0x7FF8000012345678, 0x7FF0000000000001,
                                0xFFF4000000000000};
  for (double (*f)(double) : {exp_cr, acos_cr}) {
    for (std::uint64_t nan : nans) {
      table::clear_flags();
      const double y = f(std::bit_cast<double>(nan));
      EXPECT_EQ(table::raised_flags(), 0u) << std::hex << nan;
      EXPECT_EQ(std::bit_cast<std::uint64_t>(y), nan | 0x0008000000000000) << std::hex << nan;
    }
  }
}

}  // namespace
}  // namespace laifit::numeric
