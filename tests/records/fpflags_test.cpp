#include "records/fpflags.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "record_helpers.hpp"
#include "records/list_input.hpp"
#include "records/output.hpp"

namespace laifit {
namespace {

using testing::ScratchDir;

// Operands the compiler cannot fold away.
volatile float g_zero = 0.0f;
volatile float g_one = 1.0f;
volatile float g_big = 3.0e38f;
volatile float g_tiny = 1.0e-30f;
volatile float g_subnormal = 1.0e-40f;

std::string flags_text(const FpFlags& f) {
  return std::string(f.invalid ? "I" : "-") + (f.divide_by_zero ? "Z" : "-") + (f.overflow ? "O" : "-") +
         (f.underflow ? "U" : "-") + (f.denormal ? "D" : "-");
}

TEST(FpFlags, SeesWhatOperationsRaise) {
  clear_fp_flags();
  EXPECT_EQ(flags_text(raised_fp_flags()), "-----");
  volatile float r = g_zero / g_zero;
  EXPECT_EQ(flags_text(raised_fp_flags()), "I----");
  clear_fp_flags();
  r = g_one / g_zero;
  EXPECT_EQ(flags_text(raised_fp_flags()), "-Z---");
  clear_fp_flags();
  r = g_big * 10.0f;
  EXPECT_EQ(flags_text(raised_fp_flags()), "--O--");
  clear_fp_flags();
  r = g_tiny * 1.0e-15f;  // 1e-45: a subnormal, inexact result
  EXPECT_EQ(flags_text(raised_fp_flags()), "---U-");
  clear_fp_flags();
  r = g_subnormal * 4.0f;  // a subnormal operand, exact normal-range result
  EXPECT_EQ(flags_text(raised_fp_flags()).substr(4), "D");
  clear_fp_flags();
  r = g_one / 3.0f;  // inexact only: never reported
  EXPECT_FALSE(raised_fp_flags().any());
  (void)r;
}

TEST(FpFlags, NoteNamesTheRaisedFlagsInOrder) {
  EXPECT_EQ(fp_note(FpFlags{}), "");
  FpFlags all{true, true, true, true, true};
  EXPECT_EQ(fp_note(all),
            "Note: The following floating-point exceptions are signalling: IEEE_INVALID_FLAG IEEE_DIVIDE_BY_ZERO "
            "IEEE_OVERFLOW_FLAG IEEE_UNDERFLOW_FLAG IEEE_DENORMAL\n");
  FpFlags some;
  some.underflow = true;
  some.denormal = true;
  EXPECT_EQ(fp_note(some),
            "Note: The following floating-point exceptions are signalling: IEEE_UNDERFLOW_FLAG IEEE_DENORMAL\n");
  FpFlags one;
  one.divide_by_zero = true;
  EXPECT_EQ(fp_note(one), "Note: The following floating-point exceptions are signalling: IEEE_DIVIDE_BY_ZERO\n");
}

TEST(FpFlags, GuardPutsTheStatusBack) {
  clear_fp_flags();
  {
    FpStateGuard guard;
    volatile float r = g_subnormal * g_tiny;
    (void)r;
    EXPECT_TRUE(raised_fp_flags().any());
  }
  EXPECT_FALSE(raised_fp_flags().any());
}

// Floats of every kind: tiny, huge, subnormal, zero of both signs, NaN and infinities.
std::vector<float> awkward_values() {
  std::vector<float> v = {0.0f,
                          -0.0f,
                          1.0f,
                          -1.0f,
                          0.1f,
                          1.0e-40f,
                          -1.0e-40f,
                          std::bit_cast<float>(1u),
                          std::bit_cast<float>(0x007FFFFFu),
                          std::numeric_limits<float>::min(),
                          std::numeric_limits<float>::max(),
                          -std::numeric_limits<float>::max(),
                          std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity(),
                          std::numeric_limits<float>::quiet_NaN(),
                          -std::numeric_limits<float>::quiet_NaN(),
                          std::bit_cast<float>(0x7F800001u),
                          1.0e-30f,
                          1.0e30f,
                          999999.94f,
                          0.099999994f};
  std::mt19937 rng(11);
  std::uniform_int_distribution<std::uint32_t> bits;
  for (int k = 0; k < 2000; ++k) v.push_back(std::bit_cast<float>(bits(rng)));
  for (std::uint32_t k = 1; k < 2000; ++k) v.push_back(std::bit_cast<float>(k * 4099u));  // subnormals
  return v;
}

void format_everything(const std::vector<float>& values) {
  OutputChannel out(6, "null", std::make_unique<NullSink>());
  const Format fixed("(f6.1,f6.3,f7.4,f9.4,f10.1,f12.4,f15.4,f60.50)");
  const Format exponent("(e10.3,e12.4,e40.30)");
  for (float v : values) {
    out.write(fixed, {v, v, v, v, v, v, v, v});
    out.write(exponent, {v, v, v});
    out.write_list({"v", v, 1});
  }
  out.flush();
}

// Text of 25 awkward numbers on one line, then every value of `values` on the next.
std::string numbers_text(const std::vector<float>& values) {
  std::string text =
      "1e-40 -1e-40 1.4e-45 7e-46 1e-46 -1e-46 1e-50 1e39 -1e39 3.4028236e38 1e-38 1.17549435e-38 "
      "0.1 1.0000000596046447755 NaN -nan Inf -Infinity 1e999999999 1e-999999999 0 -0 "
      "1.5+3 2.5d-41 7.0064923216240854e-46\n";
  for (float v : values) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    text += std::string(buf, r.ptr) + " ";
  }
  return text + "\n";
}

void parse_everything(const std::string& text, std::size_t count) {
  ScratchDir dir;
  auto in = dir.input(text);
  std::vector<float> first(25), second(count);
  read_list(*in, {std::span<float>(first)});
  read_list(*in, {std::span<float>(second)});
}

TEST(FpFlags, ConversionsRaiseNoFlagOfTheirOwn) {
  const std::vector<float> values = awkward_values();
  const std::string text = numbers_text(values);
  clear_fp_flags();
  format_everything(values);
  EXPECT_EQ(flags_text(raised_fp_flags()), "-----") << "after formatting";
  clear_fp_flags();
  parse_everything(text, values.size());
  EXPECT_EQ(flags_text(raised_fp_flags()), "-----") << "after parsing";
}

// Flags raised by the formulas before a conversion are still there after it.
TEST(FpFlags, ConversionsKeepFlagsAlreadyRaised) {
  const std::vector<float> values = awkward_values();
  const std::string text = numbers_text(values);
  clear_fp_flags();
  volatile float r = g_zero / g_zero;
  r = g_tiny * 1.0e-15f;
  r = g_subnormal * 4.0f;
  (void)r;
  const std::string before = flags_text(raised_fp_flags());
  ASSERT_EQ(before, "I--UD");
  format_everything(values);
  parse_everything(text, values.size());
  EXPECT_EQ(flags_text(raised_fp_flags()), before);
  clear_fp_flags();
}

}  // namespace
}  // namespace laifit
