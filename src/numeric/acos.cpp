#include "numeric/acos.hpp"

#include <cmath>
#include <cstdint>

#include "double_double.hpp"
#include "numeric/fast_path.hpp"

namespace laifit::numeric {

namespace {

using detail::bits_of;
using detail::DoubleDouble;
using detail::fast_two_sum;
using detail::from_bits;
using detail::kExponentBits;
using detail::kSignBit;
using detail::two_product;
using detail::two_sum;

#include "acos_table.inc"

constexpr std::uint64_t kOneBits = 0x3FF0000000000000;
constexpr std::uint64_t kHalfBits = 0x3FE0000000000000;
// Below 2^-30, acos x = pi/2 - x - x^3/6 to far better than the rounding needs (the next term is
// below 2^-150); from there to the table's first binade, asin x comes from its odd series.
constexpr std::uint64_t kTinyBits = 0x3E10000000000000;    // 2^-30
constexpr std::uint64_t kSeriesBits = 0x3F20000000000000;  // 2^-13

// Relative error bound of asin from the table: the tail h^2 (a2 + ...) is below 2^-14 of the result and
// carries a few roundings of 2^-53; the truncation after h^9 is below 2^-74.
constexpr double kTableError = 0x1p-63;
// The same for the odd series, where x^3 (...) is below 2^-28 of the result.
constexpr double kSeriesError = 0x1p-75;

// asin z ~ value, within `error` (absolute).
struct Asin {
  DoubleDouble value;
  double error;
};

// asin(z + z_lo) for 2^-13 <= z <= 1/2, |z_lo| <= 2^-53 z, from the Taylor expansion about the midpoint
// c of z's interval: a0 + a1 h + h^2 (a2 + a3 h + ...) with h = z - c exact (same binade), a1 h exact
// by Dekker's product, and z_lo entering through the derivative a1 + 2 a2 h.
[[gnu::always_inline]] inline Asin asin_from_table(double z, double z_lo) {
  constexpr int kShift = 52 - kAsinSubdivisionBits;
  constexpr std::uint64_t kFirst = static_cast<std::uint64_t>(1023 + kAsinFirstExponent) << kAsinSubdivisionBits;
  std::uint64_t index = (bits_of(z) >> kShift) - kFirst;
  if (index >= kAsinIntervals) index = kAsinIntervals - 1;  // z = 1/2 closes the last interval
  const double mid = from_bits(((index + kFirst) << kShift) | (std::uint64_t{1} << (kShift - 1)));
  const double h = z - mid;
  const AsinTableEntry& c = kAsinTable[index];
  static_assert(kAsinDegree == 9, "the tail below is written out for a2 .. a9");
  const double h2 = h * h;
  const double h4 = h2 * h2;
  // a2 + a3 h + ... + a9 h^7 in Estrin's order, whose short dependency chains overlap
  const double q =
      ((c.a[0] + c.a[1] * h) + h2 * (c.a[2] + c.a[3] * h)) + h4 * ((c.a[4] + c.a[5] * h) + h2 * (c.a[6] + c.a[7] * h));
  const double tail = h2 * q;
  const DoubleDouble p = two_product(c.a1_hi, h);
  const DoubleDouble s = fast_two_sum(c.a0_hi, p.hi);
  const double lo = s.lo + (p.lo + (c.a0_lo + (c.a1_lo * h + (z_lo * (c.a1_hi + 2.0 * c.a[0] * h) + tail))));
  return {{s.hi, lo}, kTableError * s.hi};
}

// asin z for 2^-30 <= z < 2^-13 from z + z^3 (1/6 + 3z^2/40 + ...); the value's low part is not
// normalised, which its users (sums with pi/2 or pi, or doubling) do not need.
Asin asin_from_series(double z) {
  const double z2 = z * z;
  const double t = z * z2 * (kAsinOdd[0] + z2 * (kAsinOdd[1] + z2 * (kAsinOdd[2] + z2 * kAsinOdd[3])));
  return {{z, t}, kSeriesError * z};
}

// asin(z + z_lo) to about 2^-104 relative, for 2^-30 <= z <= 1/2, from an approximation a of it good to
// 2^-60: one Newton step on sin, asin z = a + (z - sin a) / sqrt(1 - z^2) + O((asin z - a)^2), with
// sin a in double-double from its Taylor series in u = a^2 (the first omitted term is below 2^-116 a).
DoubleDouble asin_accurate(double z, double z_lo, double a) {
  const DoubleDouble u = detail::two_square(a);
  DoubleDouble g{kSinCoefficients[kSinTerms - 1][0], kSinCoefficients[kSinTerms - 1][1]};
  for (int n = kSinTerms - 2; n >= 0; --n) g = g * u + DoubleDouble{kSinCoefficients[n][0], kSinCoefficients[n][1]};
  const DoubleDouble sin_a = DoubleDouble{a, 0.0} + (u * a) * g;
  const double d = (z - sin_a.hi) + (z_lo - sin_a.lo);  // z - sin_a.hi is exact: they are that close
  return fast_two_sum(a, d / std::sqrt(1.0 - z * z));
}

// Whether `error` settles the rounding of r.hi + r.lo; `result` is then the double nearest to it.
bool decided(const DoubleDouble& r, double error, double& result) {
  const double low = r.hi + (r.lo - error);
  const double high = r.hi + (r.lo + error);
  result = low;
  return low == high;
}

// acos x = pi/2 - asin x, for |x| <= 1/2.
double acos_middle(double x, bool negative, bool& accurate_path) {
  const double z = negative ? -x : x;
  const Asin a = bits_of(z) < kSeriesBits ? asin_from_series(z) : asin_from_table(z, 0.0);
  // pi/2 + asin|x| for negative x, pi/2 - asin|x| otherwise
  const double sign = negative ? 1.0 : -1.0;
  DoubleDouble r = two_sum(kHalfPi[0], sign * a.value.hi);
  r.lo += kHalfPi[1] + sign * a.value.lo;
  double result;
  if (decided(r, a.error + 0x1p-104, result)) return result;
  accurate_path = true;
  const DoubleDouble exact = asin_accurate(z, 0.0, a.value.hi + a.value.lo);
  r = two_sum(kHalfPi[0], sign * exact.hi);
  r.lo += kHalfPi[1] + (sign * exact.lo + kHalfPi[2]);
  return r.hi + r.lo;
}

// acos x = 2 asin sqrt((1 - x)/2) for 1/2 < x < 1, and pi - 2 asin sqrt((1 + x)/2) for -1 < x < -1/2.
double acos_outer(double x, bool negative, bool& accurate_path) {
  const double w = (1.0 - (negative ? -x : x)) * 0.5;  // exact
  const double z = std::sqrt(w);
  const DoubleDouble z2 = detail::two_square(z);
  const double z_lo = ((w - z2.hi) - z2.lo) / (2.0 * z);
  // z >= 2^-12.5 when x is a float; only doubles closer to +-1 than any other float fall below the table
  Asin a;
  if (bits_of(z) >= kSeriesBits) {
    a = asin_from_table(z, z_lo);
  } else {
    a = asin_from_series(z);
    a.value.lo += z_lo;
  }
  DoubleDouble r{2.0 * a.value.hi, 2.0 * a.value.lo};
  if (negative) {
    r = two_sum(kPi[0], -r.hi);
    r.lo += kPi[1] - 2.0 * a.value.lo;
  }
  double result;
  if (decided(r, 2.0 * a.error + 0x1p-104, result)) return result;
  accurate_path = true;
  const DoubleDouble exact = asin_accurate(z, z_lo, a.value.hi + a.value.lo);
  if (!negative) return 2.0 * (exact.hi + exact.lo);
  r = two_sum(kPi[0], -2.0 * exact.hi);
  r.lo += kPi[1] + (kPi[2] - 2.0 * exact.lo);
  return r.hi + r.lo;
}

double evaluate_acos(double x, bool& accurate_path) {
  const std::uint64_t b = bits_of(x);
  const std::uint64_t a = b & ~kSignBit;
  const bool negative = (b & kSignBit) != 0;
  if (a >= kOneBits) {
    if (a > kExponentBits) return detail::quiet(x);
    if (a == kOneBits) return negative ? kPi[0] : 0.0;
    return detail::invalid();
  }
  if (a < kTinyBits) {
    DoubleDouble r = two_sum(kHalfPi[0], -x);
    r.lo += kHalfPi[1] - x * (x * x) * kAsinOdd[0];
    return r.hi + r.lo;
  }
  if (a <= kHalfBits) return acos_middle(x, negative, accurate_path);
  return acos_outer(x, negative, accurate_path);
}

}  // namespace

double acos_cr(double x) {
  bool accurate_path = false;
  return evaluate_acos(x, accurate_path);
}

bool detail::acos_fast_path_decides(double x) {
  bool accurate_path = false;
  evaluate_acos(x, accurate_path);
  return !accurate_path;
}

}  // namespace laifit::numeric
