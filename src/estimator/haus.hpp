#pragma once
// The non-linear least-squares estimator's entry: fixes the settings, cuts one workspace into the
// core's arrays and runs the core (haus59.hpp).

#include <array>
#include <cstdint>
#include <span>

#include "driver/shared_state.hpp"
#include "estimator/haus59.hpp"
#include "records/output.hpp"

namespace laifit {

// 1-based start offsets i1..i13 of the workspace regions difz, q, p, e, phi, tb, f, r, a, d, delz, t1,
// t2 for npar parameters and nob observations.
std::array<std::int64_t, 13> workspace_offsets(std::int32_t npar, std::int32_t nob);

// Cuts work into the core's arrays and runs the core. par: starting values in, estimates out.
// errc: a negative value is overwritten with 0.0. A workspace shorter than 7*npar + 2*nob + 2*npar^2 +
// nob*npar entries, like more than kMaxObservations observations, is reported as a parameter error.
void haus(std::int32_t nprob, const Model& model, std::int32_t nob, std::span<const float> yob, std::int32_t npar,
          std::span<float> par, std::span<const float> signs, std::int32_t maxit, float& errc, float errp,
          std::span<float> work, const EstimatorOutput& out, Somcarre& somcarre);

}  // namespace laifit
