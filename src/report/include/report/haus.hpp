#pragma once
// The estimator's legacy entry: fixes the settings, cuts one workspace into the core's arrays, leaves
// its trace line and runs the estimation with the printed report.

#include <array>
#include <cstdint>
#include <span>

#include "laifit/estimator.hpp"
#include "report/legacy_report.hpp"
#include "state/shared_state.hpp"

namespace laifit {

// 1-based start offsets i1..i13 of the workspace regions difz, q, p, e, phi, tb, f, r, a, d, delz, t1,
// t2 for npar parameters and nob observations.
constexpr std::array<std::int64_t, 13> workspace_offsets(std::int32_t npar, std::int32_t nob) {
  const std::int64_t np = npar, n = nob, np2 = np * np;
  std::array<std::int64_t, 13> i{};
  i[0] = 1;                // difz
  i[1] = i[0] + np;        // q
  i[2] = i[1] + np;        // p
  i[3] = i[2] + np;        // e
  i[4] = i[3] + np;        // phi
  i[5] = i[4] + np;        // tb
  i[6] = i[5] + np;        // f
  i[7] = i[6] + n;         // r
  i[8] = i[7] + n;         // a
  i[9] = i[8] + np2;       // d
  i[10] = i[9] + np2;      // delz
  i[11] = i[10] + n * np;  // t1
  i[12] = i[11] + np;      // t2
  return i;
}

// The entries the workspace must hold, up to t1 included (i13 - 1).
constexpr std::int64_t workspace_size(std::int32_t npar, std::int32_t nob) {
  return workspace_offsets(npar, nob)[12] - 1;
}

// Cuts work into the core's arrays and runs the estimation. par: starting values in, estimates out
// (unchanged after a rejection). errc: a negative value is overwritten with 0.0. A workspace shorter
// than workspace_size(npar, nob) is reported as a parameter error. Negative counts count as 0.
EstimatorResult haus(std::int32_t nprob, const EstimatorModel& model, std::int32_t nob, std::span<const float> yob,
                     std::int32_t npar, std::span<float> par, std::span<const float> signs, std::int32_t maxit,
                     float& errc, float errp, std::span<float> work, const ReportChannels& out);

// The fit's figures as the result file shows them: left alone after a rejection, and the standard
// deviation kept from before when there are no degrees of freedom.
void keep_fit_figures(const EstimatorResult& fit, Somcarre& somcarre);

}  // namespace laifit
