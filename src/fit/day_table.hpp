#pragma once
// The day table of the fitting procedure: cumulative thermal time by day number, days 1 to 800, and the
// refusal of any day that would fall outside it.

#include <array>
#include <cstdint>

#include "state/shared_state.hpp"

namespace laifit {

// The daily cumulative thermal time by day number, and its final value.
struct ThermalTime {
  std::array<float, kDayTable> som{};  // som[d - 1] is day d
  float somi = 0.0f;

  float at(std::int32_t day) const { return som[static_cast<std::size_t>(day - 1)]; }
};

// Days that index the table must lie in it: emergence and every observation point. Refuses the run
// otherwise.
void refuse_days_outside_table(const RunState& state);

}  // namespace laifit
