#pragma once
// The free-format real as laifit wrote it before the integer kernel: one std::to_chars call in scientific
// form with eight decimals, its digits rearranged. Kept unchanged as the reference that the exhaustive
// proof (proofs/formatter_proof.cpp) and the sampled tests compare list_real with.

#include <bit>
#include <cassert>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "records/fpflags.hpp"
#include "records/text_buffer.hpp"

namespace laifit::reference {

struct Bits {
  explicit Bits(float v) : u(std::bit_cast<std::uint32_t>(v)) {}
  bool negative() const { return (u >> 31) != 0; }
  std::uint32_t magnitude() const { return u & 0x7FFFFFFFu; }
  bool nan() const { return magnitude() > 0x7F800000u; }
  bool finite() const { return magnitude() < 0x7F800000u; }
  bool zero() const { return magnitude() == 0; }
  bool subnormal() const { return magnitude() != 0 && magnitude() < 0x00800000u; }
  std::uint32_t u;
};

constexpr std::size_t kConvertRoom = 192;

inline std::string_view convert(char* buf, float value, std::chars_format fmt, int precision) {
  std::to_chars_result r;
  if (Bits(value).subnormal()) {
    FpStateGuard keep;
    r = std::to_chars(buf, buf + kConvertRoom, value, fmt, precision);
  } else {
    r = std::to_chars(buf, buf + kConvertRoom, value, fmt, precision);
  }
  assert(r.ec == std::errc());
  return {buf, static_cast<std::size_t>(r.ptr - buf)};
}

inline void right_justify(TextBuffer& out, std::string_view s, int width) {
  const auto w = static_cast<std::size_t>(width);
  if (s.size() > w) {
    out.fill('*', w);
    return;
  }
  out.fill(' ', w - s.size());
  out.append(s);
}

inline void list_real(TextBuffer& out, float value) {
  const Bits b(value);
  if (!b.finite()) {
    right_justify(out, b.nan() ? "NaN" : b.negative() ? "-Infinity" : "Infinity", 16);
    return;
  }
  char* p = out.claim(16);
  std::memset(p, ' ', 16);
  if (b.zero()) {
    const std::string_view z = b.negative() ? "-0.00000000" : "0.00000000";
    std::memcpy(p + 12 - z.size(), z.data(), z.size());
    out.advance(16);
    return;
  }
  // At eight decimals every finite non-zero float reads "[-]d.dddddddde±dd" (a float's decimal
  // exponent always has two digits), so its parts lie at fixed places and need no scanning.
  char buf[kConvertRoom];
  const bool negative = b.negative();
  const char* d = convert(buf, value, std::chars_format::scientific, 8).data() + (negative ? 1 : 0);
  const int magnitude = (d[12] - '0') * 10 + (d[13] - '0');
  const int exponent = d[11] == '-' ? -magnitude : magnitude;
  if (exponent >= -1 && exponent <= 8) {
    // Fixed point for 0.1 <= m < 1e9 as rounded to nine digits, in 12 positions and four blanks:
    // "0." and nine digits below 1, else nine digits with the point after exponent + 1 of them.
    const int length = (exponent == -1 ? 11 : 10) + (negative ? 1 : 0);
    char* q = p + 12 - length;
    if (negative) *q++ = '-';
    if (exponent == -1) {
      *q++ = '0';
      *q++ = '.';
      *q++ = d[0];
      std::memcpy(q, d + 2, 8);
    } else {
      const auto before = static_cast<std::size_t>(exponent);  // digits after the first, before the point
      *q++ = d[0];
      std::memcpy(q, d + 2, before);
      q += before;
      *q++ = '.';
      std::memcpy(q, d + 2 + before, 8 - before);
    }
  } else {
    // One digit, the point, eight digits, E and the signed two-digit exponent, right-justified in 16.
    char* q = p + 16 - 14 - (negative ? 1 : 0);
    if (negative) *q++ = '-';
    std::memcpy(q, d, 14);
    q[10] = 'E';
  }
  out.advance(16);
}

}  // namespace laifit::reference
