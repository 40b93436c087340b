#include "numeric/exp.hpp"

#include <cstdint>

#include "double_double.hpp"
#include "numeric/fast_path.hpp"
#include "numeric/store.hpp"

namespace laifit::numeric {

namespace {

using detail::bits_of;
using detail::DoubleDouble;
using detail::fast_two_sum;
using detail::from_bits;
using detail::kExponentBits;
using detail::kSignBit;
using detail::two_sum;

#include "exp_table.inc"

// Below 2^-54 in magnitude e^x rounds to 1, which 1 + x also gives; below 2^-27 it is taken from
// 1 + x + x^2/2 + ... directly.
constexpr std::uint64_t kRoundsToOneBits = 0x3C90000000000000;  // 2^-54
constexpr std::uint64_t kNearZeroBits = 0x3E40000000000000;     // 2^-27
// From 708 on, 2^e of the reduction may not be a normal double (or e^x not a normal result).
constexpr std::uint64_t kFarBits = 0x4086200000000000;  // 708
// From 710 on, e^x overflows; from -746 down, it rounds to +0.
constexpr std::uint64_t kOverflowBits = 0x4086300000000000;   // 710
constexpr std::uint64_t kUnderflowBits = 0x4087500000000000;  // 746

// Bound on |fast(x) - e^x / 2^e| (the result lies in [0.99, 2)): the largest rounding errors, of
// about 2^-71 each, come from the reduced argument's low part and the polynomial, and a handful
// of them add up to less than this.
constexpr double kFastError = 0x1p-67;

// x = k ln2/256 + r, |r| <= ln2/512 (plus a rounding error), k = 256 e + j, 0 <= j < 256.
struct Reduction {
  double kd;    // k as a double
  int k;        // |k| < 2^19
  double r_hi;  // x - k L1, exact: both are multiples of 2^-42 and their difference is below 2^-9
};

Reduction reduce(double x) {
  constexpr double kShifter = 0x1.8p52;  // adding it rounds to an integer kept in the low bits
  const double t = x * kExpInvStep + kShifter;
  const int k = static_cast<std::int32_t>(static_cast<std::uint32_t>(bits_of(t)));
  const double kd = t - kShifter;
  return {kd, k, x - kd * kExpStep1};
}

int exponent_of(const Reduction& red) { return red.k >> 8; }
const ExpTableEntry& table_entry(const Reduction& red) { return kExpTable[red.k & 255]; }

// 2^e for a normal power of two, -1022 <= e <= 1023.
double power_of_two(int e) { return from_bits(static_cast<std::uint64_t>(e + 1023) << 52); }

// e^x / 2^e to within kFastError. With T = 2^(j/256) = hi + mid (+ lo) and r = r_hi + r_lo,
//   T e^r = hi + hi r_hi + [mid + mid r_hi + T (r_lo + r^2/2 + ... + r^6/720)],
// where hi r_hi is exact (20 + 33 bits) and the bracket is below 2^-17, so its rounding errors are
// far below an ulp of the result.
DoubleDouble fast(const Reduction& red, const ExpTableEntry& t) {
  const double r_lo = -(red.kd * kExpStep2) - red.kd * kExpStep3;
  const double r = red.r_hi + r_lo;
  const double q =
      r * r *
      (0.5 +
       r * (kExpInverseFactorial[3][0] +
            r * (kExpInverseFactorial[4][0] + r * (kExpInverseFactorial[5][0] + r * kExpInverseFactorial[6][0]))));
  const DoubleDouble y = fast_two_sum(t.hi, t.hi * red.r_hi);
  const double t53 = t.hi + t.mid;
  return {y.hi, y.lo + (t.mid + (t.mid * red.r_hi + t53 * (r_lo + q)))};
}

// e^x / 2^e in double-double, normalised, to about 2^-104: r to 2^-108, e^r - 1 by its Taylor
// polynomial of degree 9 (the next term is below 2^-116), and T to 2^-126.
DoubleDouble accurate(const Reduction& red, const ExpTableEntry& t) {
  DoubleDouble r = two_sum(red.r_hi, -(red.kd * kExpStep2));
  r.lo -= red.kd * kExpStep3;
  r = fast_two_sum(r.hi, r.lo);
  DoubleDouble p{kExpInverseFactorial[9][0], kExpInverseFactorial[9][1]};
  for (int n = 8; n >= 1; --n) p = p * r + DoubleDouble{kExpInverseFactorial[n][0], kExpInverseFactorial[n][1]};
  p = p * r;  // e^r - 1
  DoubleDouble table = fast_two_sum(t.hi, t.mid);
  table.lo += t.lo;
  table = fast_two_sum(table.hi, table.lo);
  return table + table * p;
}

// The double nearest to e^x / 2^e: the fast path when its error bound settles the rounding, the
// accurate path otherwise.
double nearest(const Reduction& red, bool& accurate_path) {
  const ExpTableEntry& t = table_entry(red);
  const DoubleDouble y = fast(red, t);
  const double low = y.hi + (y.lo - kFastError);
  const double high = y.hi + (y.lo + kFastError);
  if (low == high) return low;
  accurate_path = true;
  return accurate(red, t).hi;
}

// A result below 2^-1022 (e <= -1022): y = e^x / 2^e in double-double. The subnormal is rounded here,
// in integer units n of 2^-1074, and delivered by one multiplication whose exact product lies just
// below n 2^-1074 (by n 2^-1127, at most half a unit), so the hardware rounds it to n 2^-1074 and
// raises underflow and inexact, as it would for the exact e^x. A result that rounds to 2^-1022 from
// below is tiny after rounding only when its 53-bit rounding is below 2^-1022, which z_hi < 2^52
// tells; n = 2^52 then also gets the underflow flag, as it should.
double deliver_tiny(DoubleDouble y, int e) {
  const double to_units = from_bits(static_cast<std::uint64_t>(1074 + e + 1023) << 52);  // -3 <= 1074+e <= 52
  const double z_hi = y.hi * to_units;
  const double z_lo = y.lo * to_units;
  if (z_hi >= 0x1p52) return y.hi * power_of_two(e);  // e = -1022, y >= 1: a normal result
  double n = (z_hi + 0x1p52) - 0x1p52;                // z_hi to the nearest integer, ties to even
  const double d = z_hi - n;
  if (d == 0.5 && z_lo > 0.0) n += 1.0;  // z_hi is a tie that the low part settles
  if (d == -0.5 && z_lo < 0.0) n -= 1.0;
  if (n == 0.0) return detail::underflow_to_zero();
  constexpr double kJustBelow = 0x1.fffffffffffffp-975;  // (1 - 2^-53) 2^-974
  return (n * 0x1p-100) * detail::opaque(kJustBelow);
}

// 2^-54 <= |x| < 2^-27: e^x = 1 + x + x^2/2 + c, c = x^3/6 + x^4/24 within 2^-141. Here 1 + x can
// lie exactly on a midpoint between doubles (x = 2^-53, say), with x^2/2 + c as the only deciding part,
// as small as 2^-109: too small for the double-double path. So 1 + x is split exactly, x^2/2 is exact
// (x has 24 bits) and the low parts are summed keeping their rounding error as a sticky bit. For a
// float x, x^2/2 is not a multiple of x's last bit, so the sum is never within 2^-109 of a midpoint;
// c's rounding error is below 2^-135.
double near_zero(double x) {
  const DoubleDouble s = two_sum(1.0, x);
  const double half_square = 0.5 * (x * x);
  const double c = x * (x * x) * (kExpInverseFactorial[3][0] + x * kExpInverseFactorial[4][0]);
  const DoubleDouble low = two_sum(s.lo, half_square);
  const DoubleDouble lower = two_sum(low.hi, c);
  return detail::nearest_with_sticky(s.hi, lower.hi, low.lo + lower.lo);
}

// |x| >= 708, infinities and NaN.
double evaluate_far(double x, std::uint64_t b, bool& accurate_path) {
  const std::uint64_t a = b & ~kSignBit;
  if (a > kExponentBits) return detail::quiet(x);
  if (a == kExponentBits) return (b & kSignBit) != 0 ? 0.0 : x;
  if ((b & kSignBit) == 0) {
    if (a >= kOverflowBits) return detail::overflow();
    // 1021 <= e <= 1024: scale in two exact steps; the last one overflows exactly when the
    // rounded result exceeds the largest double.
    const Reduction red = reduce(x);
    return nearest(red, accurate_path) * power_of_two(exponent_of(red) - 2) * 4.0;
  }
  if (a >= kUnderflowBits) return detail::underflow_to_zero();
  const Reduction red = reduce(x);
  const int e = exponent_of(red);
  if (e >= -1021) return nearest(red, accurate_path) * power_of_two(e);
  accurate_path = true;
  return deliver_tiny(accurate(red, table_entry(red)), e);
}

double evaluate_exp(double x, bool& accurate_path) {
  const std::uint64_t b = bits_of(x);
  const std::uint64_t a = b & ~kSignBit;
  if (a < kRoundsToOneBits) return 1.0 + x;
  if (a < kNearZeroBits) return near_zero(x);
  if (a >= kFarBits) return evaluate_far(x, b, accurate_path);
  // -1022 <= e <= 1022 and the result is normal: the scaling is exact.
  const Reduction red = reduce(x);
  return nearest(red, accurate_path) * power_of_two(exponent_of(red));
}

// Below 87 in magnitude e^x is a normal float, far from the float range's ends.
constexpr std::uint64_t kStoredShortBits = 0x4055C00000000000;  // 87
// The short path's double is used when its low 29 bits, those the store to float drops, lie more than
// this many units of the double's last place from the half-way pattern 2^28: its error (the table's
// rounding, the degree-4 polynomial's truncation below 2^-54 and a few roundings, a few units in all)
// cannot then carry it, nor the correctly rounded double, across a float rounding boundary.
constexpr std::uint64_t kStoredMargin = 64;
constexpr std::uint64_t kDroppedBits = 0x1FFFFFFF;
constexpr std::uint64_t kHalfWay = 0x10000000;

// e^x for |x| < 87 to a few units of the last place: 2^(j/256) (hi + mid, rounded) times
// 1 + r + r^2/2 + r^3/6 + r^4/24, |r| <= ln2/512, scaled exactly by 2^e. Sets decided when the store
// of that double gives the float nearest to e^x.
inline double short_path(double x, bool& decided) {
  const Reduction red = reduce(x);
  const ExpTableEntry& t = table_entry(red);
  const double r = red.r_hi - red.kd * kExpStep2;
  const double p = r * (1.0 + r * (0.5 + r * (kExpInverseFactorial[3][0] + r * kExpInverseFactorial[4][0])));
  const double table = t.hi + t.mid;
  const double y = (table + table * p) * power_of_two(exponent_of(red));
  const std::uint64_t dropped = bits_of(y) & kDroppedBits;
  decided = (dropped > kHalfWay ? dropped - kHalfWay : kHalfWay - dropped) > kStoredMargin;
  return y;
}

// From -104 down e^x is below 2^-150 and its float is +0.
constexpr std::uint64_t kStoredZeroBits = 0x405A000000000000;  // 104

// store(exp_cr(x)) into stored, with its flags, for a negative x (|x| >= 87) whose float is +0: from -104
// to -708 the double is normal and its store raises underflow; from -746 down exp_cr gives +0 with
// underflow, and its store raises nothing. False for any other x.
bool stored_zero(double x, float& stored) {
  const std::uint64_t b = bits_of(x);
  const std::uint64_t a = b & ~kSignBit;
  if ((b & kSignBit) == 0 || a >= kExponentBits) return false;
  if (a >= kUnderflowBits) {
    stored = store(detail::underflow_to_zero());
    return true;
  }
  if (a >= kStoredZeroBits && a < kFarBits) {
    stored = store(detail::opaque(0x1p-1000));
    return true;
  }
  return false;
}

// store(exp_cr(x)) into stored, with its flags, when that is found without exp_cr.
inline bool stored_without_exp_cr(double x, float& stored) {
  if ((bits_of(x) & ~kSignBit) >= kStoredShortBits) return stored_zero(x, stored);
  bool decided = false;
  const double y = short_path(x, decided);
  if (decided) stored = store(y);
  return decided;
}

}  // namespace

float exp_cr_stored(double x) {
  if ((bits_of(x) & ~kSignBit) < kStoredShortBits) {
    bool decided = false;
    const double y = short_path(x, decided);
    if (decided) return store(y);
  } else if (float zero = 0.0f; stored_zero(x, zero)) {
    return zero;
  }
  return store(exp_cr(x));
}

bool detail::exp_stored_short_path_decides(double x) {
  float stored = 0.0f;
  return stored_without_exp_cr(x, stored);
}

double exp_cr(double x) {
  bool accurate_path = false;
  return evaluate_exp(x, accurate_path);
}

bool detail::exp_fast_path_decides(double x) {
  bool accurate_path = false;
  evaluate_exp(x, accurate_path);
  return !accurate_path;
}

}  // namespace laifit::numeric
