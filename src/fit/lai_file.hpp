#pragma once
// The interpolated LAI file: the parameters used, the fit's summary figures, the emergence year, then the
// fitted curve day by day.

#include <span>

#include "day_table.hpp"
#include "model/curves.hpp"
#include "records/output.hpp"
#include "state/shared_state.hpp"

namespace laifit {

// Writes the file's eight heading lines from the packed fitted parameters par and the shared records
// (sdev is replaced by its square, the residual variance), then the daily series into nl2, xinfl2 and
// irec, tracing "Tf non atteint" when the series reaches the end of the climate data.
void write_lai_file(OutputChannel& out, OutputChannel& trace, RunState& state, const ThermalTime& tt,
                    std::span<const float> par, const CurveCoding& coding);

}  // namespace laifit
