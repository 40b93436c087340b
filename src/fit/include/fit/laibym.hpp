#pragma once
// The LAI fitting procedure: thermal time from the climate files, the series to fit, the estimator run
// and the interpolated LAI file.

#include "fit/fit_details.hpp"
#include "records/units.hpp"
#include "state/shared_state.hpp"

namespace laifit {

// details, when given, receives what the fit leaves behind besides its files.
void laibym(RunState& state, Units& units, FitDetails* details = nullptr);

}  // namespace laifit
