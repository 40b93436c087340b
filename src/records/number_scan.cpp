#include "records/number_scan.hpp"

#include <charconv>
#include <limits>
#include <string>

#include "records/fpflags.hpp"

namespace laifit {

// The float nearest to the token's value; false when the token is not a real number.
bool NumberScan::real(float& out) const {
  std::string canonical;
  if (state_ == State::word) {
    const std::string_view w(word_, static_cast<std::size_t>(word_length_));
    if (w != "inf" && w != "infinity" && w != "nan") return false;
    if (negative_) canonical.push_back('-');
    canonical.append(w);
  } else {
    const bool complete = state_ == State::integer || state_ == State::fraction || state_ == State::exponent ||
                          (state_ == State::point && mantissa_digits_ > 0);
    if (!complete) return false;
    if (negative_) canonical.push_back('-');
    if (kept_ == 0) {
      canonical.push_back('0');
    } else {
      std::int64_t e = decimal_exponent_ + (exponent_negative_ ? -exponent_ : exponent_);
      if (e > 999999) e = 999999;
      if (e < -999999) e = -999999;
      canonical += "0.";
      canonical.append(digits_, static_cast<std::size_t>(kept_));
      if (sticky_) canonical.push_back('1');
      canonical += 'e';
      canonical += std::to_string(e);
    }
  }
  // Text to number raises no flag of its own: the conversion runs under a saved state.
  FpStateGuard keep;
  float v = 0.0f;
  const auto r = std::from_chars(canonical.data(), canonical.data() + canonical.size(), v);
  if (r.ec == std::errc::result_out_of_range) {
    // Beyond the float range: the IEEE-rounded result is an infinity or a zero.
    const bool huge = canonical.find("e-") == std::string::npos;
    v = huge ? std::numeric_limits<float>::infinity() : 0.0f;
    if (negative_) v = -v;
  } else if (r.ec != std::errc() || r.ptr != canonical.data() + canonical.size()) {
    return false;
  }
  out = v;
  return true;
}

}  // namespace laifit
