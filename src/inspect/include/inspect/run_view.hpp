#pragma once
// What the run's estimator did, in the run's own words, for the inspector's fit findings and its report:
// the one place that reads the estimator's result and settings out of the run.

#include <cstdint>
#include <optional>

#include "driver/run_details.hpp"
#include "fit/run_settings.hpp"
#include "laifit/estimator.hpp"

namespace laifit::inspect {

struct EstimatorView {
  EstimatorExit exit = EstimatorExit::rejected;
  std::int32_t iterations = 0;
  float sum_of_squares = 0.0f;
  std::int32_t degrees_of_freedom = 0;
  // The residual standard deviation squared, as the LAI file writes it; none without degrees of freedom.
  std::optional<float> residual_variance;
  // The settings every run estimates with, and the failed trials after which an iteration gives up.
  RunEstimatorSettings settings = kRunEstimator;
  std::int32_t failed_trials_limit = EstimatorLimits::max_failed_trials;
  // The estimated parameters after the estimator (the starting values after a rejection), packed, and
  // the limits of each when the estimator gave them.
  std::vector<float> estimates;
  std::vector<float> lower_limits, upper_limits;
};

EstimatorView estimator_view(const RunDetails& details);

}  // namespace laifit::inspect
