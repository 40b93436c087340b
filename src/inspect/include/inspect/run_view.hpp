#pragma once
// What the run read and what its estimator did, in the run's own words, for the inspector's findings and
// its report: the one place that reads the run's shared records and the estimator's result and settings.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

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

// An observation point as the run took it.
struct RunPoint {
  std::int32_t day = 0;  // counted from 1 January of the sowing year
  float observed = 0.0f;
  float thermal_time = 0.0f;
  std::int64_t row = 0;  // its row of the observation table (from 1), 0 for an added emergence point
};

// What the run read from the run description and the observation table.
struct RunInputs {
  bool has_rows = false;         // the table gave a row, so the sowing year is known
  std::int32_t sowing_year = 0;  // the year of the table's first row
  std::int32_t sowing_year_days = 0;
  std::int32_t emergence_day = 0;  // counted from 1 January of the sowing year
  std::int32_t emergence_year = 0;
  std::int32_t climate_years = 0;  // the climate-year code: 1 one year, else two
  float base_temperature = 0.0f;
  std::array<std::int32_t, 5> switches{};  // 1 estimated, 0 held, as read
  std::array<float, 5> values{};           // the values read: start values or held values
  std::vector<RunPoint> points;
  std::int32_t last_point_day() const;  // 0 without points
};

RunInputs run_inputs(const RunDetails& details);

}  // namespace laifit::inspect
