#pragma once
// Models and problems shared by the estimator's tests and the legacy report's: a model that records its
// calls, a small exponential decay to fit, and the problems the estimator rejects before it calls the
// model (the report must write the parameter error for each of them).

#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "laifit/estimator.hpp"

namespace laifit::testing {

// A model that records the parameters of every call (and a "model" event in events, when given) and
// computes its values with body.
struct Recorder {
  std::vector<std::vector<float>> calls;
  EstimatorModel body;
  std::vector<std::string>* events = nullptr;

  EstimatorModel model() {
    return [this](std::span<const float> par, std::span<float> ye) {
      calls.emplace_back(par.begin(), par.end());
      if (events != nullptr) events->push_back("model");
      body(par, ye);
    };
  }
};

// y = a exp(-b x) (+ c), evaluated in double and rounded, at x = 1..n, with a small fixed disturbance.
struct Exponential {
  std::vector<float> x, y;
  Exponential(int n, double a, double b, double c, double noise) {
    for (int i = 1; i <= n; ++i) {
      x.push_back(static_cast<float>(i));
      const double wobble = noise * (((i * 7919) % 13) - 6) / 6.0;
      y.push_back(static_cast<float>(a * std::exp(-b * i) + c + wobble));
    }
  }
  // The model p0 exp(-p1 x) (+ p2 when there is a third parameter).
  EstimatorModel model() const {
    return [x = x](std::span<const float> par, std::span<float> ye) {
      for (std::size_t i = 0; i < ye.size(); ++i) {
        const double offset = par.size() > 2 ? par[2] : 0.0;
        ye[i] = static_cast<float>(par[0] * std::exp(-double(par[1]) * x[i]) + offset);
      }
    };
  }
};

// np parameters and nob observations, an iteration limit and a damping factor; the second parameter
// starts at th2 with difference step step2, the others at 0.5 with 1e-4. legacy_only: only the legacy
// entry refuses it (its table holds 366 observations); the estimator itself takes it.
struct RejectedProblem {
  const char* name;
  std::int32_t np, nob, max_iterations;
  float damping_factor;
  float th2, step2;
  RejectionReason reason;
  bool legacy_only = false;
};

inline const std::vector<RejectedProblem>& rejected_problems() {
  using enum RejectionReason;
  static const std::vector<RejectedProblem> problems{
      {"no parameter", 0, 4, 50, 10.0f, 1.0f, 1e-4f, no_parameters},
      {"51 parameters", 51, 60, 50, 10.0f, 1.0f, 1e-4f, too_many_parameters},
      {"fewer observations", 2, 1, 50, 10.0f, 1.0f, 1e-4f, too_few_observations},
      {"no iteration", 2, 4, 0, 10.0f, 1.0f, 1e-4f, iteration_limit_out_of_range},
      {"1000 iterations", 2, 4, 1000, 10.0f, 1.0f, 1e-4f, iteration_limit_out_of_range},
      {"factor 1", 2, 4, 50, 1.0f, 1.0f, 1e-4f, damping_factor_too_small},
      {"zero start", 2, 4, 50, 10.0f, 0.0f, 1e-4f, zero_start},
      {"negative zero start", 2, 4, 50, 10.0f, -0.0f, 1e-4f, zero_start},
      {"proportion 1", 2, 4, 50, 10.0f, 1.0f, 1.0f, difference_step_out_of_range},
      {"proportion -1", 2, 4, 50, 10.0f, 1.0f, -1.0f, difference_step_out_of_range},
      {"367 observations", 2, 367, 50, 10.0f, 1.0f, 1e-4f, too_many_observations, true},
  };
  return problems;
}

// The problem's arrays as the rejection tests give them: every observation 2, every sign kept.
struct RejectedArrays {
  std::vector<float> observed, start, steps, keep_sign;
  explicit RejectedArrays(const RejectedProblem& c)
      : observed(static_cast<std::size_t>(c.nob), 2.0f),
        start(static_cast<std::size_t>(c.np), 0.5f),
        steps(static_cast<std::size_t>(c.np), 1e-4f),
        keep_sign(static_cast<std::size_t>(c.np), 1.0f) {
    if (c.np >= 2) {
      start[1] = c.th2;
      steps[1] = c.step2;
    }
  }
  EstimatorSettings settings(const RejectedProblem& c) const {
    return {.sum_tolerance = -1.0f, .max_iterations = c.max_iterations, .damping_factor = c.damping_factor};
  }
};

}  // namespace laifit::testing
