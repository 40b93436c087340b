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

// np parameters and nob observations, mit iterations and factor fnu; the second parameter starts at th2
// with difference proportion difz2, the others at 0.5 with 1e-4.
struct RejectedProblem {
  const char* name;
  std::int32_t np, nob, mit;
  float fnu;
  float th2, difz2;
};

inline const std::vector<RejectedProblem>& rejected_problems() {
  static const std::vector<RejectedProblem> problems{
      {"no parameter", 0, 4, 50, 10.0f, 1.0f, 1e-4f},    {"51 parameters", 51, 60, 50, 10.0f, 1.0f, 1e-4f},
      {"fewer observations", 2, 1, 50, 10.0f, 1.0f, 1e-4f}, {"no iteration", 2, 4, 0, 10.0f, 1.0f, 1e-4f},
      {"1000 iterations", 2, 4, 1000, 10.0f, 1.0f, 1e-4f}, {"factor 1", 2, 4, 50, 1.0f, 1.0f, 1e-4f},
      {"zero start", 2, 4, 50, 10.0f, 0.0f, 1e-4f},      {"negative zero start", 2, 4, 50, 10.0f, -0.0f, 1e-4f},
      {"proportion 1", 2, 4, 50, 10.0f, 1.0f, 1.0f},     {"proportion -1", 2, 4, 50, 10.0f, 1.0f, -1.0f},
      {"367 observations", 2, 367, 50, 10.0f, 1.0f, 1e-4f},
  };
  return problems;
}

}  // namespace laifit::testing
