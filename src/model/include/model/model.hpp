#pragma once
// The model adapter that the estimator fits: the curve function chosen by the number of estimated
// parameters, evaluated at the thermal time of every observation, with a running trace on the screen.

#include <cstdint>
#include <span>

#include "model/curves.hpp"
#include "records/output.hpp"

namespace laifit {

// What the adapter evaluates: nbpar estimated parameters coded by coding, at the thermal times stemp of
// the observations (at least as many as any call's nob).
struct CurveModel {
  std::int32_t nbpar = 0;
  CurveCoding coding;
  std::span<const float> stemp;
};

// Writes "debug-" lines on screen, each before its observation is evaluated, and ye(1..nob). With
// nbpar outside 1..5 or nob below 1 only the two heading lines are written and ye is untouched.
void model(std::int32_t nprob, std::span<const float> par, std::span<float> ye, std::int32_t nob,
           std::int32_t npar, const CurveModel& curve, OutputChannel& screen);

}  // namespace laifit
