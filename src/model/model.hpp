#pragma once
// The model adapter that the estimator fits: the curve function chosen by the number of estimated
// parameters, evaluated at the thermal time of every observation, with a running trace on the screen.

#include <cstdint>
#include <span>

#include "driver/shared_state.hpp"
#include "records/output.hpp"

namespace laifit {

// Writes "debug-" lines on screen, each before its observation is evaluated, and ye(1..nob). With
// nbpar outside 1..5 or nob below 1 only the two heading lines are written and ye is untouched.
void model(std::int32_t nprob, std::span<const float> par, std::span<float> ye, std::int32_t nob,
           std::int32_t npar, const Param& param, const X& x, OutputChannel& screen);

}  // namespace laifit
