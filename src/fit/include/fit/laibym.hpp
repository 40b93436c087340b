#pragma once
// The LAI fitting procedure: thermal time from the climate files, the series to fit, the estimator run
// and the interpolated LAI file.

#include "state/shared_state.hpp"
#include "records/units.hpp"

namespace laifit {

void laibym(RunState& state, Units& units);

}  // namespace laifit
