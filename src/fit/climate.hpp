#pragma once
// The climate reading of the fitting procedure: one or two daily climate files turned into cumulative
// degree-days by day number.

#include <vector>

#include "day_table.hpp"
#include "fit/fit_details.hpp"
#include "records/units.hpp"
#include "state/shared_state.hpp"

namespace laifit {

// Reads the climate files open on their units: the first file is skipped up to the day before
// emergence, then every record adds its mean temperature above base; with two climate years the second
// file continues the day count from the first file's last day. Traces the end of each file. Every record
// taken is added to taken, when given.
ThermalTime read_thermal_time(const RunState& state, Units& units, OutputChannel& trace,
                              std::vector<ClimateRecord>* taken = nullptr);

}  // namespace laifit
