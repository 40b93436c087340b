#include "records/edit.hpp"

#include <array>
#include <bit>
#include <cassert>
#include <charconv>
#include <cstring>

#include "records/fpflags.hpp"
#include "records/nine_digits.hpp"

namespace laifit {
namespace {

// A float looked at through its bits only: comparing a subnormal or NaN value would raise a flag.
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

// Large enough for the widest fixed form of a float (39 integer digits) with up to 127 decimals.
constexpr std::size_t kConvertRoom = 192;

// The one std::to_chars call per value of an F or E field. Widening a subnormal float raises the
// denormal-operand flag inside the library, so those few values are converted under a saved
// floating-point state.
std::string_view convert(char* buf, float value, std::chars_format fmt, int precision) {
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

void right_justify(TextBuffer& out, std::string_view s, int width) {
  const auto w = static_cast<std::size_t>(width);
  if (s.size() > w) {
    out.fill('*', w);
    return;
  }
  out.fill(' ', w - s.size());
  out.append(s);
}

// NaN, Inf or Infinity, right-justified; Infinity needs 8 positions, 9 with its minus sign.
void edit_nonfinite(TextBuffer& out, Bits b, int width) {
  std::string_view s;
  if (b.nan()) {
    s = "NaN";
  } else if (b.negative()) {
    s = width >= 9 ? "-Infinity" : "-Inf";
  } else {
    s = width >= 8 ? "Infinity" : "Inf";
  }
  right_justify(out, s, width);
}

// Parsed "d.ddde+XX" from to_chars in scientific mode; an E field may ask for up to 100 digits.
struct Scientific {
  bool negative = false;
  char digits[kConvertRoom];
  int count = 0;
  int exponent = 0;
};

Scientific parse_scientific(std::string_view s) {
  Scientific sci;
  std::size_t i = 0;
  if (s[i] == '-') {
    sci.negative = true;
    ++i;
  }
  for (; i < s.size() && s[i] != 'e'; ++i) {
    if (s[i] != '.') sci.digits[sci.count++] = s[i];
  }
  ++i;  // 'e'
  const bool negative_exponent = s[i] == '-';
  int e = 0;
  for (++i; i < s.size(); ++i) e = e * 10 + (s[i] - '0');
  sci.exponent = negative_exponent ? -e : e;
  return sci;
}

// Fixed-field text that may shed the zero before its decimal point to fit the field.
void fit_optional_zero(TextBuffer& out, std::string_view s, int width) {
  const auto w = static_cast<std::size_t>(width);
  if (s.size() > w) {
    const bool negative = !s.empty() && s[0] == '-';
    const std::size_t zero = negative ? 1 : 0;
    if (s.size() - 1 <= w && s.size() > zero + 1 && s[zero] == '0' && s[zero + 1] == '.') {
      out.fill(' ', w - (s.size() - 1));
      if (negative) out.push('-');
      out.append(s.substr(zero + 1));
      return;
    }
  }
  right_justify(out, s, width);
}

// "00" … "99": two digits per lookup.
constexpr auto kDigitPairs = [] {
  std::array<char, 200> t{};
  for (int k = 0; k < 100; ++k) {
    t[static_cast<std::size_t>(2 * k)] = static_cast<char>('0' + k / 10);
    t[static_cast<std::size_t>(2 * k + 1)] = static_cast<char>('0' + k % 10);
  }
  return t;
}();

// The nine digits of n (n < 10^9) as four independent pairs and a leading digit, not nine dependent
// divisions in a row.
void write_nine_digits(char* d, std::uint32_t n) {
  const std::uint32_t rest = n % 100000000u;
  const std::uint32_t high = rest / 10000u;
  const std::uint32_t low = rest % 10000u;
  d[0] = static_cast<char>('0' + n / 100000000u);
  std::memcpy(d + 1, &kDigitPairs[2 * (high / 100u)], 2);
  std::memcpy(d + 3, &kDigitPairs[2 * (high % 100u)], 2);
  std::memcpy(d + 5, &kDigitPairs[2 * (low / 100u)], 2);
  std::memcpy(d + 7, &kDigitPairs[2 * (low % 100u)], 2);
}

}  // namespace

void edit_integer(TextBuffer& out, std::int32_t value, int width) {
  char buf[16];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  right_justify(out, std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)), width);
}

void edit_fixed(TextBuffer& out, float value, int width, int digits) {
  const Bits b(value);
  if (!b.finite()) return edit_nonfinite(out, b, width);
  char buf[kConvertRoom + 2];
  std::string_view s = convert(buf, value, std::chars_format::fixed, digits);
  if (digits == 0) {
    buf[s.size()] = '.';
    s = std::string_view(buf, s.size() + 1);
  }
  fit_optional_zero(out, s, width);
}

void edit_exponent(TextBuffer& out, float value, int width, int digits) {
  const Bits b(value);
  if (!b.finite()) return edit_nonfinite(out, b, width);
  char buf[kConvertRoom];
  const Scientific sci = parse_scientific(convert(buf, value, std::chars_format::scientific, digits - 1));
  // The digits part lies in [0.1, 1): one more in the exponent than to_chars' d.ddd form, zero at +00.
  const int exponent = b.zero() ? 0 : sci.exponent + 1;
  char text[kConvertRoom];
  std::size_t n = 0;
  if (sci.negative) text[n++] = '-';
  text[n++] = '0';
  text[n++] = '.';
  std::memcpy(text + n, sci.digits, static_cast<std::size_t>(sci.count));
  n += static_cast<std::size_t>(sci.count);
  const int magnitude = exponent < 0 ? -exponent : exponent;
  if (magnitude <= 99) text[n++] = 'E';
  text[n++] = exponent < 0 ? '-' : '+';
  if (magnitude > 99) text[n++] = static_cast<char>('0' + magnitude / 100);
  text[n++] = static_cast<char>('0' + magnitude / 10 % 10);
  text[n++] = static_cast<char>('0' + magnitude % 10);
  fit_optional_zero(out, std::string_view(text, n), width);
}

void edit_characters(TextBuffer& out, std::string_view text, int width) {
  if (width == 0) {
    out.append(text);
    return;
  }
  const auto w = static_cast<std::size_t>(width);
  if (w <= text.size()) {
    out.append(text.substr(0, w));
  } else {
    out.fill(' ', w - text.size());
    out.append(text);
  }
}

void list_integer(TextBuffer& out, std::int32_t value) {
  char* p = out.claim(11);
  char buf[16];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  const auto len = static_cast<std::size_t>(r.ptr - buf);
  std::memset(p, ' ', 11 - len);
  std::memcpy(p + 11 - len, buf, len);
  out.advance(11);
}

void list_real(TextBuffer& out, float value) {
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
  // Nine digits and the exponent of the first, from the integer kernel: no library conversion, and no
  // floating-point flag to guard against even for a subnormal.
  const NineDigits nine = nine_digits(value);
  char d[9];
  write_nine_digits(d, nine.digits);
  const bool negative = b.negative();
  const int exponent = nine.exponent;
  if (exponent >= -1 && exponent <= 8) {
    // Fixed point for 0.1 <= m < 1e9 as rounded to nine digits, in 12 positions and four blanks:
    // "0." and nine digits below 1, else nine digits with the point after exponent + 1 of them.
    const int length = (exponent == -1 ? 11 : 10) + (negative ? 1 : 0);
    char* q = p + 12 - length;
    if (negative) *q++ = '-';
    if (exponent == -1) {
      *q++ = '0';
      *q++ = '.';
      std::memcpy(q, d, 9);
    } else {
      const auto before = static_cast<std::size_t>(exponent) + 1;  // digits before the point
      std::memcpy(q, d, before);
      q += before;
      *q++ = '.';
      std::memcpy(q, d + before, 9 - before);
    }
  } else {
    // One digit, the point, eight digits, E and the signed two-digit exponent (|exponent| <= 45),
    // right-justified in 16.
    char* q = p + 16 - 14 - (negative ? 1 : 0);
    if (negative) *q++ = '-';
    const int magnitude = exponent < 0 ? -exponent : exponent;
    q[0] = d[0];
    q[1] = '.';
    std::memcpy(q + 2, d + 1, 8);
    q[10] = 'E';
    q[11] = exponent < 0 ? '-' : '+';
    q[12] = static_cast<char>('0' + magnitude / 10);
    q[13] = static_cast<char>('0' + magnitude % 10);
  }
  out.advance(16);
}

}  // namespace laifit
