#pragma once
// The estimator core: Marquardt iteration with forward-difference derivatives, final statistics and the
// printed report. It fits any model given as a callable and knows nothing of what the model computes.

#include <cstdint>
#include <functional>
#include <span>

#include "driver/shared_state.hpp"
#include "records/output.hpp"

namespace laifit {

// The fitted function: writes the model value of every observation 1..nob into ye (problem number,
// parameters, output array, number of observations, number of parameters).
using Model = std::function<void(std::int32_t nprob, std::span<const float> par, std::span<float> ye,
                                 std::int32_t nob, std::int32_t npar)>;

// The channels the estimator writes to.
struct EstimatorOutput {
  OutputChannel& trace;   // the trace file: "appel de haus59", "appel de model"
  OutputChannel& screen;  // standard output, closed (flushed) at the end of every call
  const Imphau& imphau;   // screen echo channel, report channel and print level
};

// Most parameters and iterations the core accepts.
inline constexpr std::int32_t kMaxParameters = 50;
inline constexpr std::int32_t kMaxIterations = 999;

// The problem to fit. The spans must hold at least np (th, difz, signs) and nob (y) entries.
struct Haus59Problem {
  std::int32_t nprob;            // printed in the report headings, passed to the model
  const Model& model;
  std::int32_t nob;              // at most kMaxObservations
  std::span<const float> y;      // observed values
  std::int32_t np;
  std::span<float> th;           // starting values in, estimates out (untouched on rejection)
  std::span<const float> difz;   // difference proportions: step of parameter j = difz(j) * th(j)
  std::span<const float> signs;  // > 0: parameter j may not change sign
};

struct Haus59Settings {
  float eps1;         // tolerance on the sum of squares; a negative value comes back as 0.0
  float eps2;         // tolerance on every parameter
  std::int32_t mit;   // iteration limit
  float flam;         // initial damping
  float fnu;          // damping factor, above 1
};

// Working arrays (np: q, p, e, phi, tb; nob: f, r; np*np: a, d; nob*np: delz). Arrays shorter than
// that make the core reject the problem. On return f holds the fitted values, d the inverse normal
// matrix and a the correlation matrix.
struct Haus59Workspace {
  std::span<float> q, p, e, phi, tb, f, r, a, d, delz;
};

enum class Haus59Exit {
  rejected,              // arguments out of range: parameter-error message, nothing estimated
  parameters_converged,  // every parameter changed by less than eps2 relatively
  sum_converged,         // the sum of squares changed by less than eps1 relatively
  iteration_limit,       // mit iterations done
  no_reduction,          // 36 failed trials in one iteration
};

struct Haus59Result {
  Haus59Exit exit;
  std::int32_t nit;  // the count shown on the closing line
};

// Runs one estimation and writes its report. On a normal end somcarre gets the final sum of squares,
// the degrees of freedom and (when they are not zero) the residual standard deviation; on rejection it
// is left alone. Standard output (out.screen) is flushed before returning.
Haus59Result haus59(const Haus59Problem& problem, Haus59Settings& settings, const Haus59Workspace& work,
                    const EstimatorOutput& out, Somcarre& somcarre);

}  // namespace laifit
