#pragma once
// The number scanner of free-format reads: follows a value's characters one at a time and gives the
// value as a 32-bit integer or as the nearest float.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string_view>

namespace laifit {

namespace scan_detail {
constexpr bool is_digit(int c) { return c >= '0' && c <= '9'; }
constexpr bool is_letter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr char lower(int c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); }
}  // namespace scan_detail

// The float nearest to digits / 10^fraction_digits, when one division gives it: the digits at most 2^24
// and the power at most 10^10 are both floats exactly, and a float division rounds its exact quotient
// once. False otherwise (the value is then left to a full conversion). The quotient of such operands is
// 0 or a normal float, so the division raises no flag but inexact.
inline bool short_decimal_float(std::uint64_t digits, std::size_t fraction_digits, float& out) {
  constexpr float kPowers[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
  if (digits > (std::uint64_t{1} << 24) || fraction_digits >= std::size(kPowers)) return false;
  out = static_cast<float>(digits) / kPowers[fraction_digits];
  return true;
}

// Follows a numeric token character by character and keeps only what its value depends on: the sign,
// up to kKeep significant digits (a sticky digit stands for any non-zero digit dropped after them), the
// decimal exponent and the exponent part. A token of any length thus costs a fixed amount of memory,
// and the kept digits are more than any float rounding decision needs.
class NumberScan {
 public:
  // The scan of a whole value given as text.
  static NumberScan of(std::string_view token) {
    NumberScan scan;
    for (const char c : token) scan.feed(static_cast<unsigned char>(c));
    return scan;
  }

  void feed(int c) {
    switch (state_) {
      case State::start:
        if (c == '+' || c == '-') {
          negative_ = c == '-';
          state_ = State::sign;
          return;
        }
        [[fallthrough]];
      case State::sign:
        if (scan_detail::is_digit(c)) return integer_digit(c);
        if (c == '.') {
          state_ = State::point;
          return;
        }
        if (scan_detail::is_letter(c)) {
          state_ = State::word;
          return word_letter(c);
        }
        break;
      case State::integer:
        if (scan_detail::is_digit(c)) return integer_digit(c);
        if (c == '.') {
          state_ = State::point;
          return;
        }
        return exponent_start(c);
      case State::point:
      case State::fraction:
        if (scan_detail::is_digit(c)) {
          state_ = State::fraction;
          return fraction_digit(c);
        }
        if (mantissa_digits_ > 0) return exponent_start(c);
        break;
      case State::exponent_mark:
        if (c == '+' || c == '-') {
          exponent_negative_ = c == '-';
          state_ = State::exponent_sign;
          return;
        }
        [[fallthrough]];
      case State::exponent_sign:
      case State::exponent:
        if (scan_detail::is_digit(c)) {
          state_ = State::exponent;
          if (exponent_ < 100000000) exponent_ = exponent_ * 10 + (c - '0');
          return;
        }
        break;
      case State::word:
        if (scan_detail::is_letter(c)) return word_letter(c);
        break;
      case State::bad: return;
    }
    state_ = State::bad;
  }

  // Digits only so far, without sign: a repeat count when a '*' follows.
  bool plain_digits() const { return state_ == State::integer && !signed_; }

  // The value as a 32-bit integer; false when the token is not one or does not fit.
  bool integer(std::int32_t& out) const {
    if (state_ != State::integer || kept_ > 10 || sticky_) return false;
    std::int64_t v = 0;
    for (int k = 0; k < kept_; ++k) v = v * 10 + (digits_[k] - '0');
    if (negative_) v = -v;
    if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max()) return false;
    out = static_cast<std::int32_t>(v);
    return true;
  }

  // The float nearest to the token's value; false when the token is not a real number.
  bool real(float& out) const;

 private:
  enum class State : std::uint8_t {
    start,
    sign,
    integer,
    point,
    fraction,
    exponent_mark,
    exponent_sign,
    exponent,
    word,
    bad
  };
  static constexpr int kKeep = 200;

  void keep_digit(int c) {
    if (kept_ < kKeep) {
      digits_[kept_++] = static_cast<char>(c);
    } else if (c != '0') {
      sticky_ = true;
    }
  }
  void integer_digit(int c) {
    if (state_ == State::sign) signed_ = true;
    state_ = State::integer;
    ++mantissa_digits_;
    if (kept_ == 0 && c == '0') return;  // leading zeros carry nothing
    keep_digit(c);
    ++decimal_exponent_;
  }
  void fraction_digit(int c) {
    ++mantissa_digits_;
    if (kept_ == 0 && c == '0') {
      --decimal_exponent_;
      return;
    }
    keep_digit(c);
  }
  void exponent_start(int c) {
    const char l = scan_detail::lower(c);
    if (l == 'e' || l == 'd' || l == 'q') {
      state_ = State::exponent_mark;
      return;
    }
    if (c == '+' || c == '-') {  // 1.5+3: the sign itself starts the exponent
      exponent_negative_ = c == '-';
      state_ = State::exponent_sign;
      return;
    }
    state_ = State::bad;
  }
  void word_letter(int c) {
    if (word_length_ == static_cast<int>(sizeof word_)) {
      state_ = State::bad;
      return;
    }
    word_[word_length_++] = scan_detail::lower(c);
  }

  State state_ = State::start;
  bool negative_ = false;
  bool signed_ = false;
  char digits_[kKeep];
  int kept_ = 0;
  bool sticky_ = false;
  std::int64_t mantissa_digits_ = 0;
  std::int64_t decimal_exponent_ = 0;
  bool exponent_negative_ = false;
  std::int64_t exponent_ = 0;
  char word_[8];
  int word_length_ = 0;
};

}  // namespace laifit
