#include "records/nine_digits.hpp"

#include <array>
#include <bit>

namespace laifit {
namespace {

__extension__ typedef unsigned __int128 u128;
__extension__ typedef __int128 i128;

// 5^n for n = 0 … 55, the largest power of five below 2^128.
constexpr std::array<u128, 56> kPow5 = [] {
  std::array<u128, 56> p{};
  p[0] = 1;
  for (std::size_t n = 1; n < p.size(); ++n) p[n] = p[n - 1] * 5;
  return p;
}();

// floor(b × log10 2) for the binary exponents of the floats' leading bits, -149 … 127.
constexpr int floor_log10_pow2(int b) { return (b * 78913) >> 18; }

// The same against log10 2 to twenty decimals, which no b in range lies close enough to an integer to
// fool; the shift-and-multiply form above must agree with it everywhere.
constexpr bool floor_log10_pow2_exact() {
  constexpr i128 kLog2Scaled = static_cast<i128>(3010299956639811952ll) * 10 + 1;  // log10 2 × 10^20
  constexpr i128 kScale = static_cast<i128>(10000000000000000000ull) * 10;
  for (int b = -149; b <= 127; ++b) {
    const i128 x = b * kLog2Scaled;
    const i128 f = x >= 0 ? x / kScale : -((-x + kScale - 1) / kScale);
    if (f != floor_log10_pow2(b)) return false;
  }
  return true;
}
static_assert(floor_log10_pow2_exact());

// The integer part of a value, and whether anything is left below it.
struct Truncated {
  std::uint64_t integer;
  bool inexact;
};

// x / 2^s for x < 2^128 with 0 < s < 128, the quotient below 2^64.
Truncated shift_down(u128 x, int s) { return {static_cast<std::uint64_t>(x >> s), (x & ((u128{1} << s) - 1)) != 0}; }

// m × 5^n / 2^s exactly, for m < 2^24, 5^n < 2^128, 0 < s < 128 and a quotient below 2^64: the
// product takes up to 152 bits, kept as its low 64-bit word and the 128 bits above it.
Truncated wide_product_shifted(std::uint32_t m, u128 pow5, int s) {
  const u128 lo = static_cast<u128>(m) * static_cast<std::uint64_t>(pow5);
  const u128 hi = static_cast<u128>(m) * static_cast<std::uint64_t>(pow5 >> 64);
  const std::uint64_t low_word = static_cast<std::uint64_t>(lo);
  const u128 upper = (lo >> 64) + hi;
  if (s > 64) {
    const Truncated t = shift_down(upper, s - 64);
    return {t.integer, t.inexact || low_word != 0};
  }
  if (s == 64) return {static_cast<std::uint64_t>(upper), low_word != 0};
  return {static_cast<std::uint64_t>(upper << (64 - s)) | (low_word >> s),
          (low_word & ((std::uint64_t{1} << s) - 1)) != 0};
}

}  // namespace

NineDigits nine_digits(float value) {
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(value) & 0x7FFFFFFFu;
  const int biased = static_cast<int>(bits >> 23);
  const std::uint32_t fraction = bits & 0x7FFFFFu;
  // value = m × 2^e2 with m < 2^24.
  const std::uint32_t m = biased == 0 ? fraction : fraction | 0x800000u;
  const int e2 = biased == 0 ? -149 : biased - 150;
  const int lead = static_cast<int>(std::bit_width(m)) - 1 + e2;  // 2^lead <= value < 2^(lead + 1)
  const int estimate = floor_log10_pow2(lead);                    // the first digit's exponent, or one less

  // t = floor(value × 10^-q) with q = estimate - 9: ten digits, or eleven when the estimate is one short.
  const int q = estimate - 9;
  Truncated t;
  if (q <= 0) {
    // value × 10^-q = m × 5^-q × 2^(e2 - q)
    const int n = -q;
    const int s = q - e2;  // bits to shift out
    if (n <= 27) {         // 5^27 < 2^63: one 64 × 64-bit product
      const u128 x = static_cast<u128>(m) * static_cast<std::uint64_t>(kPow5[static_cast<std::size_t>(n)]);
      t = s <= 0 ? Truncated{static_cast<std::uint64_t>(x) << -s, false} : shift_down(x, s);
    } else {
      t = wide_product_shifted(m, kPow5[static_cast<std::size_t>(n)], s);
    }
  } else {
    // value × 10^-q = m × 2^(e2 - q) / 5^q; a float this large (10^10 or more) has e2 > q: no bit is lost.
    const u128 num = static_cast<u128>(m) << (e2 - q);
    const u128 den = kPow5[static_cast<std::size_t>(q)];
    t = {static_cast<std::uint64_t>(num / den), num % den != 0};
  }

  // Drop the last one or two digits, rounding to nearest and ties to even: the remainder against half
  // the divisor, with the bits below t deciding an apparent tie.
  NineDigits r;
  std::uint32_t rest;
  std::uint32_t half;
  if (t.integer >= 10000000000ull) {
    r.digits = static_cast<std::uint32_t>(t.integer / 100);
    rest = static_cast<std::uint32_t>(t.integer % 100);
    half = 50;
    r.exponent = estimate + 1;
  } else {
    r.digits = static_cast<std::uint32_t>(t.integer / 10);
    rest = static_cast<std::uint32_t>(t.integer % 10);
    half = 5;
    r.exponent = estimate;
  }
  if (rest > half || (rest == half && (t.inexact || (r.digits & 1) != 0))) {
    if (++r.digits == 1000000000u) {  // 999999999.5 and up carry into the next power of ten
      r.digits = 100000000u;
      ++r.exponent;
    }
  }
  return r;
}

}  // namespace laifit
