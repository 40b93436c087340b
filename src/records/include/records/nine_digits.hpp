#pragma once
// The nine significant decimal digits of a float, rounded to nearest with ties to even, found with integer
// arithmetic alone: the float is taken apart by its bits and no floating-point operation runs, so no
// floating-point flag is raised, whatever the value (subnormals included).

#include <cstdint>

namespace laifit {

struct NineDigits {
  std::uint32_t digits;  // 100000000 <= digits <= 999999999
  int exponent;          // decimal exponent of the first digit: the value is digits × 10^(exponent - 8)
};

// The magnitude of value, which must be finite and non-zero; its sign is ignored.
NineDigits nine_digits(float value);

}  // namespace laifit
