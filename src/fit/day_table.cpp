#include "day_table.hpp"

#include <string>

#include "records/failure.hpp"

namespace laifit {

void refuse_days_outside_table(const RunState& state) {
  const Lai& lai = state.lai;
  if (!in_day_table(lai.jlevee)) {
    throw Refusal("error- param.soj: the emergence day number " + std::to_string(lai.jlevee) + " lies outside the " +
                  std::to_string(kDayTable) + "-day table");
  }
  for (std::int32_t i = 0; i < lai.nobs; ++i) {
    if (!in_day_table(lai.nl[static_cast<std::size_t>(i)])) {
      throw Refusal("error- " + std::string(state.ficobs.trimmed()) + ": the observation day number " +
                    std::to_string(lai.nl[static_cast<std::size_t>(i)]) + " lies outside the " +
                    std::to_string(kDayTable) + "-day table");
    }
  }
}

}  // namespace laifit
