#pragma once
// Exact sums and products of doubles and the double-double arithmetic built on them, plus the few
// operations whose only purpose is to raise a floating-point flag. Everything here uses plain double
// operations (no fused multiply-add, which would call the C library without hardware support), so it
// needs -ffp-contract=off and round-to-nearest, as the whole project does.

#include <bit>
#include <cstdint>

namespace laifit::numeric::detail {

inline std::uint64_t bits_of(double v) { return std::bit_cast<std::uint64_t>(v); }
inline double from_bits(std::uint64_t b) { return std::bit_cast<double>(b); }

inline constexpr std::uint64_t kSignBit = 0x8000000000000000;
inline constexpr std::uint64_t kExponentBits = 0x7FF0000000000000;
inline constexpr std::uint64_t kQuietBit = 0x0008000000000000;

// A NaN argument comes back quiet with its payload and sign, and without touching a flag.
inline double quiet(double nan) { return from_bits(bits_of(nan) | kQuietBit); }

// The value hi + lo, with |lo| at most half an ulp of hi once normalised.
struct DoubleDouble {
  double hi;
  double lo;
};

// a + b exactly, given |a| >= |b| (or a == 0).
inline DoubleDouble fast_two_sum(double a, double b) {
  const double s = a + b;
  return {s, b - (s - a)};
}

// a + b exactly, for any order of magnitude.
inline DoubleDouble two_sum(double a, double b) {
  const double s = a + b;
  const double b_part = s - a;
  return {s, (a - (s - b_part)) + (b - b_part)};
}

// Veltkamp's split of a into two halves of 26 bits each, a = hi + lo.
inline DoubleDouble split(double a) {
  const double c = 134217729.0 * a;  // 2^27 + 1
  const double hi = c - (c - a);
  return {hi, a - hi};
}

// a b exactly (Dekker), for products far from overflow and underflow.
inline DoubleDouble two_product(double a, double b) {
  const double p = a * b;
  const DoubleDouble x = split(a);
  const DoubleDouble y = split(b);
  return {p, ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo};
}

// a^2 exactly, with one split instead of two.
inline DoubleDouble two_square(double a) {
  const double p = a * a;
  const DoubleDouble x = split(a);
  return {p, ((x.hi * x.hi - p) + 2.0 * (x.hi * x.lo)) + x.lo * x.lo};
}

inline DoubleDouble operator+(DoubleDouble a, DoubleDouble b) {
  DoubleDouble s = two_sum(a.hi, b.hi);
  const DoubleDouble t = two_sum(a.lo, b.lo);
  s.lo += t.hi;
  s = fast_two_sum(s.hi, s.lo);
  s.lo += t.lo;
  return fast_two_sum(s.hi, s.lo);
}

inline DoubleDouble operator*(DoubleDouble a, DoubleDouble b) {
  DoubleDouble p = two_product(a.hi, b.hi);
  p.lo += a.hi * b.lo + a.lo * b.hi;
  return fast_two_sum(p.hi, p.lo);
}

inline DoubleDouble operator*(DoubleDouble a, double b) {
  DoubleDouble p = two_product(a.hi, b);
  p.lo += a.lo * b;
  return fast_two_sum(p.hi, p.lo);
}

// The double nearest to the exact sum hi + lo + tail given as hi and two low parts, where the low
// parts' own rounding error `sticky` is kept as the last bit of lo (rounding lo + sticky to odd): the
// one rounding to nearest of hi + lo then settles ties that only sticky breaks. Needs lo and sticky far
// below an ulp of hi (53 bits below at least), as from two_sum.
inline double nearest_with_sticky(double hi, double lo, double sticky) {
  const std::uint64_t b = bits_of(lo);
  if (sticky == 0.0 || lo == 0.0 || (b & 1) != 0) return hi + (lo == 0.0 ? sticky : lo);
  // lo is even and not exact: take its neighbour on sticky's side, which is odd
  const bool away_from_zero = (sticky > 0.0) == (lo > 0.0);
  return hi + from_bits(away_from_zero ? b + 1 : b - 1);
}

// The optimiser must neither fold these operations at compile time nor drop them: their flags are
// the point.
inline double opaque(double v) {
  volatile double kept = v;
  return kept;
}

// +Inf with the overflow (and inexact) flag.
inline double overflow() {
  const double big = opaque(0x1p1000);
  return big * big;
}

// +0 with the underflow (and inexact) flag; both operands are normal, so no denormal-operand flag.
inline double underflow_to_zero() {
  const double small = opaque(0x1p-600);
  return small * small;
}

// The default NaN with the invalid flag.
inline double invalid() {
  const double zero = opaque(0.0);
  return zero / zero;
}

}  // namespace laifit::numeric::detail
