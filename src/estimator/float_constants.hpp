#pragma once
// The estimator's real constants, given by their single-precision bit patterns so that every build uses
// the same values. Stored results pass through numeric::store (numeric/store.hpp).

#include <bit>
#include <cstdint>

namespace laifit::estimator_detail {

// Floor of the scale factors and of the angle's denominator.
inline constexpr float kUnderflowGuard = std::bit_cast<float>(std::uint32_t{0x219392EF});  // 1.0e-18
// Pivot floor of the elimination, and the offset of the parameter stopping test.
inline constexpr float kTiny = std::bit_cast<float>(std::uint32_t{0x1E3CE508});  // 1.0e-20
// Radians to degrees as the estimator has always used it, slightly short of 180/pi.
inline constexpr float kDegreesPerRadian = std::bit_cast<float>(std::uint32_t{0x42652E14});  // 57.295

}  // namespace laifit::estimator_detail
