#pragma once
// The estimator's settings of every laifit run, for the fit and for a caller that words its outcome.

#include <cstdint>

namespace laifit {

struct RunEstimatorSettings {
  std::int32_t maxit;  // the iteration limit
  float errc;          // the tolerance on the relative change of the sum of squares
  float errp;          // the tolerance on the relative change of every parameter
};
inline constexpr RunEstimatorSettings kRunEstimator{50, 1.0e-5f, 1.0e-5f};

}  // namespace laifit
