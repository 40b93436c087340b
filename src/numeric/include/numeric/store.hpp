#pragma once
// The one rounding step of laifit's arithmetic: a formula is evaluated in double from widened floats
// and rounded to float once, when its result is stored.

namespace laifit::numeric {

inline float store(double value) { return static_cast<float>(value); }

}  // namespace laifit::numeric
