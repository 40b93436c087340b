#pragma once
// The run driver: reads "param.soj", extracts the observations, places emergence on the day axis of the
// sowing year, builds the observation series and hands over to the fitting procedure.

#include "records/units.hpp"
#include "state/shared_state.hpp"

namespace laifit {

struct RunDetails;

// One whole run in the folder of units. Returns normally at the end of the run (also after the
// emergence-year message); failures and refusals come as exceptions. details, when given, receives what
// the run leaves behind besides its files.
void ajust(RunState& state, Units& units, RunDetails* details = nullptr);

}  // namespace laifit
