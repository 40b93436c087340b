#include "records/edit.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "record_helpers.hpp"

namespace laifit {
namespace {

using testing::render;
using testing::render_list;

using testing::kInf;
const float kNaN = std::numeric_limits<float>::quiet_NaN();

// The one record a single-field statement writes, without its CR LF.
std::string edit(std::string_view literal, Item item) {
  std::string out = render(literal, {item});
  EXPECT_EQ(out.substr(out.size() - 2), "\r\n");
  out.resize(out.size() - 2);
  return out;
}

// The record of a free-format statement holding one value, without its CR LF.
std::string list(Item item) {
  std::string out = render_list({item});
  out.resize(out.size() - 2);
  return out;
}

using testing::from_bits;

TEST(Edit, IntegersRightJustified) {
  EXPECT_EQ(edit("(i5)", 42), "   42");
  EXPECT_EQ(edit("(i3)", -7), " -7");
  EXPECT_EQ(edit("(i1)", 0), "0");
  EXPECT_EQ(edit("(i4)", 2011), "2011");
  EXPECT_EQ(edit("(i12)", -2147483647 - 1), " -2147483648");
  EXPECT_EQ(edit("(i11)", -2147483647 - 1), "-2147483648");
  EXPECT_EQ(edit("(i10)", 2147483647), "2147483647");
}

TEST(Edit, AsterisksWhenTooNarrow) {
  EXPECT_EQ(edit("(i1)", 10), "*");
  EXPECT_EQ(edit("(i2)", 123), "**");
  EXPECT_EQ(edit("(i1)", -1), "*");
  EXPECT_EQ(edit("(i10)", -2147483647 - 1), "**********");
  EXPECT_EQ(edit("(f6.1)", 12345.6f), "******");
  EXPECT_EQ(edit("(f6.3)", 100.0f), "******");
  EXPECT_EQ(edit("(f6.3)", -10.0f), "******");
  EXPECT_EQ(edit("(f4.3)", -0.5f), "****");
  EXPECT_EQ(edit("(e5.1)", 0.5f), "*****");
  EXPECT_EQ(edit("(e9.4)", -1.0f), "*********");
}

TEST(Edit, FixedShowsExactlyDDecimals) {
  EXPECT_EQ(edit("(f7.4)", 3.14159f), " 3.1416");
  EXPECT_EQ(edit("(f6.3)", 0.5f), " 0.500");
  EXPECT_EQ(edit("(f6.1)", 1234.5f), "1234.5");
  EXPECT_EQ(edit("(f6.3)", 0.0f), " 0.000");
  EXPECT_EQ(edit("(f6.1)", 100.0f), " 100.0");
  EXPECT_EQ(edit("(f15.4)", 1.0e9f), "1000000000.0000");
  EXPECT_EQ(edit("(f15.4)", 1.0e10f), "***************");
  EXPECT_EQ(edit("(f17.4)", 1.0e10f), " 10000000000.0000");
  EXPECT_EQ(edit("(f9.4)", -0.0125f), "  -0.0125");
  EXPECT_EQ(edit("(f6.3)", 9.9996f), "10.000");
  EXPECT_EQ(edit("(f12.4)", 0.99996f), "      1.0000");
  EXPECT_EQ(edit("(f12.4)", 0.99995f), "      0.9999");  // the float lies below the half
  // The digits of the stored value, not of the decimal literal it came from.
  EXPECT_EQ(edit("(f14.12)", 0.1f), "0.100000001490");
  EXPECT_EQ(edit("(f22.20)", 0.1f), "0.10000000149011611938");
}

TEST(Edit, RoundsTiesToEven) {
  EXPECT_EQ(edit("(f6.3)", 0.0625f), " 0.062");
  EXPECT_EQ(edit("(f6.3)", 0.1875f), " 0.188");
  EXPECT_EQ(edit("(f5.2)", 0.125f), " 0.12");
  EXPECT_EQ(edit("(f5.2)", 0.375f), " 0.38");
  EXPECT_EQ(edit("(f6.1)", 0.25f), "   0.2");
  EXPECT_EQ(edit("(f6.1)", 0.75f), "   0.8");
  EXPECT_EQ(edit("(f6.1)", -2.25f), "  -2.2");
  EXPECT_EQ(edit("(f12.4)", 1.03125f), "      1.0312");
  EXPECT_EQ(edit("(f12.4)", 1.09375f), "      1.0938");
  EXPECT_EQ(edit("(e12.4)", 0.15625f), "  0.1562E+00");
  EXPECT_EQ(edit("(e12.4)", 0.46875f), "  0.4688E+00");
  EXPECT_EQ(edit("(e12.4)", 12345.0f), "  0.1234E+05");
  EXPECT_EQ(edit("(e10.3)", 1235.0f), " 0.124E+04");
  // Just above a tie rounds up.
  EXPECT_EQ(edit("(f6.3)", std::nextafter(0.0625f, 1.0f)), " 0.063");
}

TEST(Edit, ExponentFormDigitsBelowOne) {
  EXPECT_EQ(edit("(e12.4)", 123.456f), "  0.1235E+03");
  EXPECT_EQ(edit("(e10.3)", 0.00001f), " 0.100E-04");
  EXPECT_EQ(edit("(e12.4)", -1.0f), " -0.1000E+01");
  EXPECT_EQ(edit("(e12.4)", 0.0f), "  0.0000E+00");
  EXPECT_EQ(edit("(e12.4)", 1.0f), "  0.1000E+01");
  EXPECT_EQ(edit("(e12.4)", 0.1f), "  0.1000E+00");
  EXPECT_EQ(edit("(e12.4)", 999950.0f), "  0.1000E+07");
  EXPECT_EQ(edit("(e12.4)", 999949.0f), "  0.9999E+06");
  EXPECT_EQ(edit("(e12.4)", std::numeric_limits<float>::max()), "  0.3403E+39");
  EXPECT_EQ(edit("(e12.4)", 1.0e-40f), "  0.1000E-39");
  EXPECT_EQ(edit("(e12.4)", from_bits(1)), "  0.1401E-44");
  EXPECT_EQ(edit("(e12.4)", -from_bits(1)), " -0.1401E-44");
  EXPECT_EQ(edit("(e10.3)", 1.0e-5f), " 0.100E-04");
}

// The zero before the decimal point goes first when the field is one position short.
TEST(Edit, LeadingZeroOnlyWhenThereIsRoom) {
  EXPECT_EQ(edit("(f5.3)", -0.5f), "-.500");
  EXPECT_EQ(edit("(f6.3)", -0.5f), "-0.500");
  EXPECT_EQ(edit("(f4.3)", 0.5f), ".500");
  EXPECT_EQ(edit("(f5.3)", 0.5f), "0.500");
  EXPECT_EQ(edit("(f4.3)", 0.0f), ".000");
  EXPECT_EQ(edit("(e9.4)", 0.5f), ".5000E+00");
  EXPECT_EQ(edit("(e10.4)", 0.5f), "0.5000E+00");
  EXPECT_EQ(edit("(e10.4)", -0.5f), "-.5000E+00");
  EXPECT_EQ(edit("(e6.1)", 0.5f), ".5E+00");
}

TEST(Edit, KeepsMinusSignOfNegativeZero) {
  EXPECT_EQ(edit("(f6.3)", -0.0001f), "-0.000");
  EXPECT_EQ(edit("(f5.3)", -0.0001f), "-.000");
  EXPECT_EQ(edit("(f6.3)", -0.0f), "-0.000");
  EXPECT_EQ(edit("(f6.1)", -0.04f), "  -0.0");
  EXPECT_EQ(edit("(e12.4)", -0.0f), " -0.0000E+00");
  EXPECT_EQ(edit("(f10.1)", -1.0e-30f), "      -0.0");
}

TEST(Edit, NonFiniteValues) {
  EXPECT_EQ(edit("(f6.3)", kNaN), "   NaN");
  EXPECT_EQ(edit("(e12.4)", kNaN), "         NaN");
  EXPECT_EQ(edit("(f3.1)", kNaN), "NaN");
  EXPECT_EQ(edit("(e12.4)", -kNaN), "         NaN");
  EXPECT_EQ(edit("(f6.3)", -kInf), "  -Inf");
  EXPECT_EQ(edit("(e12.4)", -kInf), "   -Infinity");
  EXPECT_EQ(edit("(f9.4)", -kInf), "-Infinity");
  EXPECT_EQ(edit("(f8.1)", -kInf), "    -Inf");
  EXPECT_EQ(edit("(f8.1)", kInf), "Infinity");
  EXPECT_EQ(edit("(f7.4)", kInf), "    Inf");
  EXPECT_EQ(edit("(f12.4)", kInf), "    Infinity");
  EXPECT_EQ(edit("(e10.3)", kInf), "  Infinity");
  EXPECT_EQ(edit("(f4.1)", -kInf), "-Inf");
  EXPECT_EQ(edit("(f3.1)", kInf), "Inf");
}

TEST(Edit, CharacterFields) {
  EXPECT_EQ(edit("(a5)", "abc  "), "abc  ");
  EXPECT_EQ(edit("(a)", "abc  "), "abc  ");
  EXPECT_EQ(edit("(a5)", "abc"), "  abc");
  EXPECT_EQ(edit("(a2)", "abc"), "ab");
  EXPECT_EQ(edit("(a1,a1,a1)", "xyz"), "x");
  const char chars[] = {'a', ' ', 'b'};
  EXPECT_EQ(edit("(3a1)", Item::characters(chars)), "a b");
}

TEST(ListOutput, IntegersTakeElevenPositions) {
  EXPECT_EQ(list(0), "           0");
  EXPECT_EQ(list(42), "          42");
  EXPECT_EQ(list(-7), "          -7");
  EXPECT_EQ(list(-2147483647 - 1), " -2147483648");
  EXPECT_EQ(list(2147483647), "  2147483647");
}

TEST(ListOutput, RealsShowNineSignificantDigits) {
  EXPECT_EQ(list(1.0f), "   1.00000000    ");
  EXPECT_EQ(list(0.5f), "  0.500000000    ");
  EXPECT_EQ(list(250.5f), "   250.500000    ");
  EXPECT_EQ(list(0.01f), "   9.99999978E-03");
  EXPECT_EQ(list(0.0f), "   0.00000000    ");
  EXPECT_EQ(list(-1.5f), "  -1.50000000    ");
  EXPECT_EQ(list(-0.5f), " -0.500000000    ");
  EXPECT_EQ(list(0.1f), "  0.100000001    ");
  EXPECT_EQ(list(123456789.0f), "   123456792.    ");
  EXPECT_EQ(list(-123456789.0f), "  -123456792.    ");
  EXPECT_EQ(list(1.0e9f), "   1.00000000E+09");
  EXPECT_EQ(list(-1.0e9f), "  -1.00000000E+09");
  EXPECT_EQ(list(1.0e10f), "   1.00000000E+10");
  EXPECT_EQ(list(std::numeric_limits<float>::max()), "   3.40282347E+38");
  EXPECT_EQ(list(-std::numeric_limits<float>::min()), "  -1.17549435E-38");
  EXPECT_EQ(list(1.0e-40f), "   9.99994610E-41");
  EXPECT_EQ(list(from_bits(1)), "   1.40129846E-45");
}

// The fixed form holds for 0.1 <= m < 1e9 after rounding to nine digits; the largest floats below
// either bound keep their own form.
TEST(ListOutput, ChoosesFixedOrExponentAfterRounding) {
  EXPECT_EQ(list(std::nextafter(0.1f, 0.0f)), "   9.99999940E-02");
  EXPECT_EQ(list(std::nextafter(1.0e9f, 0.0f)), "   999999936.    ");
  EXPECT_EQ(list(std::nextafter(1.0f, 0.0f)), "  0.999999940    ");
  EXPECT_EQ(list(std::nextafter(10.0f, 0.0f)), "   9.99999905    ");
  EXPECT_EQ(list(99999999.0f), "   100000000.    ");
  EXPECT_EQ(list(9999999.0f), "   9999999.00    ");
  // Around 1e8 the floats are 8 apart: the one below keeps a decimal, the one above has nine digits.
  EXPECT_EQ(list(99999992.0f), "   99999992.0    ");
  EXPECT_EQ(list(100000008.0f), "   100000008.    ");
}

TEST(ListOutput, NegativeZeroAndNonFinite) {
  EXPECT_EQ(list(-0.0f), "  -0.00000000    ");
  EXPECT_EQ(list(kNaN), std::string(14, ' ') + "NaN");
  EXPECT_EQ(list(kInf), std::string(9, ' ') + "Infinity");
  EXPECT_EQ(list(-kInf), std::string(8, ' ') + "-Infinity");  // the record's blank, then 16 positions
}

// ---------------------------------------------------------------------------------------------------
// Every field checked against the exact decimal value of the float, computed here with integers.

// A finite float as sign × digits × 10^exponent, digits an integer in decimal without leading zeros.
struct ExactDecimal {
  bool negative = false;
  std::string digits;
  int exponent = 0;
};

// Multiplies a little-endian base-1e9 number by k (k < 2^32).
void multiply(std::vector<std::uint64_t>& limbs, std::uint64_t k) {
  std::uint64_t carry = 0;
  for (std::uint64_t& limb : limbs) {
    const std::uint64_t v = limb * k + carry;
    limb = v % 1000000000u;
    carry = v / 1000000000u;
  }
  while (carry != 0) {
    limbs.push_back(carry % 1000000000u);
    carry /= 1000000000u;
  }
}

ExactDecimal exact_decimal(float f) {
  const std::uint32_t u = std::bit_cast<std::uint32_t>(f);
  const int biased = static_cast<int>((u >> 23) & 0xFF);
  const std::uint32_t fraction = u & 0x7FFFFF;
  std::uint64_t mantissa = biased == 0 ? fraction : (fraction | 0x800000u);
  int binary_exponent = biased == 0 ? -149 : biased - 150;
  ExactDecimal x;
  x.negative = (u >> 31) != 0;
  std::vector<std::uint64_t> limbs{mantissa % 1000000000u, mantissa / 1000000000u};
  // m × 2^e is m × 2^e exactly for e >= 0, and m × 5^-e / 10^-e for e < 0.
  if (binary_exponent >= 0) {
    for (int e = binary_exponent; e > 0; e -= 20) multiply(limbs, std::uint64_t{1} << (e < 20 ? e : 20));
  } else {
    for (int e = -binary_exponent; e > 0; e -= 13) {
      std::uint64_t p = 1;
      for (int k = 0; k < (e < 13 ? e : 13); ++k) p *= 5;
      multiply(limbs, p);
    }
    x.exponent = binary_exponent;
  }
  std::string s;
  for (auto it = limbs.rbegin(); it != limbs.rend(); ++it) {
    std::string part = std::to_string(*it);
    s += std::string(9 - part.size(), '0') + part;
  }
  const auto first = s.find_first_not_of('0');
  x.digits = first == std::string::npos ? "0" : s.substr(first);
  return x;
}

// Keeps the first `keep` digits of an integer rounded to nearest, ties to even. The result may have
// one digit more than kept when the rounding carries (9996 kept to 3 is 1000). With keep = 0 every
// digit is dropped and the result is "0" or "1"; with keep < 0 the value is below a tenth: "0".
std::string round_to(const std::string& digits, long keep) {
  if (keep >= static_cast<long>(digits.size())) return digits;
  if (keep < 0) return "0";
  std::string kept = digits.substr(0, static_cast<std::size_t>(keep));
  const std::string rest = digits.substr(static_cast<std::size_t>(keep));
  bool up;
  if (rest[0] > '5') {
    up = true;
  } else if (rest[0] < '5') {
    up = false;
  } else if (rest.find_first_not_of('0', 1) != std::string::npos) {
    up = true;
  } else {
    up = !kept.empty() && (kept.back() - '0') % 2 == 1;
  }
  if (kept.empty()) return up ? "1" : "0";
  if (up) {
    long k = static_cast<long>(kept.size()) - 1;
    while (k >= 0 && kept[static_cast<std::size_t>(k)] == '9') kept[static_cast<std::size_t>(k--)] = '0';
    if (k < 0) {
      kept.insert(kept.begin(), '1');
    } else {
      ++kept[static_cast<std::size_t>(k)];
    }
  }
  return kept;
}

// The same field-fitting rules as the fixed-field descriptors state them.
std::string fit(std::string s, int width) {
  const auto w = static_cast<std::size_t>(width);
  if (s.size() > w) {
    const std::size_t zero = s[0] == '-' ? 1 : 0;
    if (s.compare(zero, 2, "0.") == 0) s.erase(zero, 1);
  }
  if (s.size() > w) return std::string(w, '*');
  return std::string(w - s.size(), ' ') + s;
}

std::string expected_fixed(float f, int width, int decimals) {
  const ExactDecimal x = exact_decimal(f);
  // value × 10^d as an integer, rounded.
  std::string n;
  const int shift = x.exponent + decimals;
  if (shift >= 0) {
    n = x.digits == "0" ? "0" : x.digits + std::string(static_cast<std::size_t>(shift), '0');
  } else {
    n = round_to(x.digits, static_cast<long>(x.digits.size()) + shift);
  }
  if (n.size() < static_cast<std::size_t>(decimals) + 1) n.insert(0, decimals + 1 - n.size(), '0');
  const std::size_t split = n.size() - static_cast<std::size_t>(decimals);
  return fit(std::string(x.negative ? "-" : "") + n.substr(0, split) + "." + n.substr(split), width);
}

// Significant digits and the exponent of the first one (d.ddd × 10^lead).
struct Rounded {
  std::string digits;
  int lead = 0;
};

Rounded round_significant(const ExactDecimal& x, int significant) {
  Rounded r;
  if (x.digits == "0") {
    r.digits = std::string(static_cast<std::size_t>(significant), '0');
    return r;
  }
  r.lead = static_cast<int>(x.digits.size()) - 1 + x.exponent;
  r.digits = round_to(x.digits, significant);
  if (static_cast<int>(r.digits.size()) > significant) {  // carried into a new digit
    r.digits.pop_back();
    ++r.lead;
  }
  r.digits.resize(static_cast<std::size_t>(significant), '0');
  return r;
}

std::string two_digit_exponent(int e) {
  const int m = e < 0 ? -e : e;
  return std::string(1, e < 0 ? '-' : '+') + char('0' + m / 10) + char('0' + m % 10);
}

std::string expected_exponent(float f, int width, int digits) {
  const ExactDecimal x = exact_decimal(f);
  const Rounded r = round_significant(x, digits);
  const int exponent = x.digits == "0" ? 0 : r.lead + 1;
  return fit(std::string(x.negative ? "-" : "") + "0." + r.digits + "E" + two_digit_exponent(exponent), width);
}

std::string expected_list(float f) {
  const ExactDecimal x = exact_decimal(f);
  const std::string sign = x.negative ? "-" : "";
  if (x.digits == "0") return "  " + std::string(x.negative ? "" : " ") + sign + "0.00000000    ";
  const Rounded r = round_significant(x, 9);
  std::string s;
  if (r.lead >= -1 && r.lead <= 8) {
    if (r.lead == -1) {
      s = sign + "0." + r.digits;
    } else {
      const auto k = static_cast<std::size_t>(r.lead + 1);
      s = sign + r.digits.substr(0, k) + "." + r.digits.substr(k);
    }
    return std::string(13 - s.size(), ' ') + s + "    ";
  }
  s = sign + r.digits.substr(0, 1) + "." + r.digits.substr(1) + "E" + two_digit_exponent(r.lead);
  return std::string(17 - s.size(), ' ') + s;
}

void check_all_fields(float f) {
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(f);
  struct Field {
    const char* literal;
    int width;
    int digits;
  };
  static const Field fixed[] = {{"(f6.1)", 6, 1},   {"(f6.3)", 6, 3},     {"(f7.4)", 7, 4},        {"(f9.4)", 9, 4},
                                {"(f10.1)", 10, 1}, {"(f12.4)", 12, 4},   {"(f15.4)", 15, 4},      {"(f5.3)", 5, 3},
                                {"(f50.4)", 50, 4}, {"(f60.50)", 60, 50}, {"(f200.100)", 200, 100}};
  static const Field exponent[] = {
      {"(e10.3)", 10, 3}, {"(e12.4)", 12, 4}, {"(e9.4)", 9, 4}, {"(e40.30)", 40, 30}, {"(e120.100)", 120, 100}};
  for (const Field& field : fixed) {
    ASSERT_EQ(edit(field.literal, f), expected_fixed(f, field.width, field.digits))
        << field.literal << " of bits " << std::hex << bits;
  }
  for (const Field& field : exponent) {
    ASSERT_EQ(edit(field.literal, f), expected_exponent(f, field.width, field.digits))
        << field.literal << " of bits " << std::hex << bits;
  }
  ASSERT_EQ(list(f), expected_list(f)) << "free format of bits " << std::hex << bits;
}

TEST(EditProperty, ExactDecimalOfKnownFloats) {
  // The reference itself, on values whose exact expansions are known.
  EXPECT_EQ(exact_decimal(0.1f).digits, "100000001490116119384765625");
  EXPECT_EQ(exact_decimal(0.1f).exponent, -27);
  EXPECT_EQ(exact_decimal(3.0e38f).digits, "300000000549775575777803994281145270272");
  EXPECT_EQ(round_to("12345", 4), "1234");
  EXPECT_EQ(round_to("12355", 4), "1236");
  EXPECT_EQ(round_to("99995", 4), "10000");
  EXPECT_EQ(round_to("5", 0), "0");
  EXPECT_EQ(round_to("51", 0), "1");
}

TEST(EditProperty, RandomBitPatternsAcrossAllExponents) {
  std::mt19937 rng(20240607);
  std::uniform_int_distribution<std::uint32_t> bits;
  int checked = 0;
  while (checked < 20000) {
    const float f = from_bits(bits(rng));
    if (!std::isfinite(f)) continue;
    check_all_fields(f);
    if (::testing::Test::HasFatalFailure()) return;
    ++checked;
  }
  // Subnormals and the smallest normals, where the conversion runs under a saved state.
  std::uniform_int_distribution<std::uint32_t> small(0, 0x01000000);
  for (int k = 0; k < 1000; ++k) {
    const std::uint32_t u = small(rng) | (k % 2 == 0 ? 0 : 0x80000000u);
    check_all_fields(from_bits(u));
    if (::testing::Test::HasFatalFailure()) return;
  }
}

TEST(EditProperty, RandomValuesOfUsualMagnitude) {
  std::mt19937 rng(77);
  std::uniform_real_distribution<double> decade(-6.0, 10.0);
  std::uniform_int_distribution<int> sign(0, 1);
  for (int k = 0; k < 10000; ++k) {
    const float f = static_cast<float>(std::pow(10.0, decade(rng))) * (sign(rng) != 0 ? -1.0f : 1.0f);
    check_all_fields(f);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

// Values that sit exactly half-way between two candidate results of some field.
TEST(EditProperty, ExactTies) {
  std::mt19937 rng(5);
  std::uniform_int_distribution<std::int32_t> odd(0, 1 << 22);
  for (int k = 0; k < 1000; ++k) {
    const std::int32_t n = 2 * odd(rng) + 1;
    check_all_fields(static_cast<float>(n) / 32.0f);        // five decimals ending in 5: f?.4 ties
    check_all_fields(static_cast<float>(n) / 16.0f);        // four decimals: f?.3 ties
    check_all_fields(static_cast<float>(n % 1000) / 2.0f);  // x.5: ties of no field here, exact halves
    // n/8 between 1e6 and 2^21: ten significant digits ending in 5, a tie of the free format.
    check_all_fields(static_cast<float>(8000001 + 2 * (n % 4000000)) / 8.0f);
    // five- and four-digit integers ending in 5: e12.4 and e10.3 ties.
    check_all_fields(static_cast<float>(10005 + 10 * (n % 9000)));
    check_all_fields(static_cast<float>(1005 + 10 * (n % 900)));
    if (::testing::Test::HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace laifit
