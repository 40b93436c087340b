#pragma once
// The fit as laifit computed it: the estimator's exit, the parameters used with their limits, every
// observation point against the fitted curve, summary figures and the daily series of the LAI file.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "inspect/climate.hpp"
#include "inspect/findings.hpp"
#include "inspect/gather.hpp"
#include "inspect/run_view.hpp"
#include "inspect/table.hpp"
#include "inspect/text.hpp"

namespace laifit::inspect {

struct FitPoint {
  std::int64_t line = 0;  // its line in the observation table, 0 for a forced emergence point
  std::int32_t day = 0;   // day number, counted from 1 January of the sowing year
  Date date;
  float thermal_time = 0.0f;
  float observed = 0.0f;
  float fitted = 0.0f;
  float residual = 0.0f;  // fitted - observed
  // Why the thermal time is 0 on a day other than emergence: a day before emergence, a day without a
  // climate record, or days recorded but none of them above the base temperature yet.
  enum class Zero { none, before_emergence, no_climate_day, below_base } zero = Zero::none;
  std::optional<std::array<float, 2>> interval;  // the estimator's bounds of the fitted value, lower and upper
};

struct SeriesDay {
  std::int32_t day = 0;
  float lai = 0.0f;  // as the LAI file gives it: 0 where the curve is at or below zero
  float thermal_time = 0.0f;
  float curve = 0.0f;  // the curve itself, below zero too
};

struct FitView {
  bool fitted = false;      // laifit made a fit (the observation days are not consecutive from emergence)
  EstimatorView estimator;  // the estimator's exit, figures and settings
  std::int32_t nbpar = 0;
  std::array<bool, 5> estimated{};
  std::array<float, 5> start{};  // the values read from param.soj
  std::array<float, 5> used{};   // the values of the LAI file: fitted when estimated, else held
  std::array<std::optional<std::array<float, 2>>, 5> limits;  // lower, upper
  std::vector<FitPoint> points;
  double rmse = 0.0, bias = 0.0;
  std::optional<double> r2;
  std::vector<SeriesDay> series;
  enum class End { none, back_to_zero, climate_end, day_table } end = End::none;
  float somi = 0.0f;
  std::int32_t sowing_year = 0;
  std::int32_t emergence = 0;
};

FitView fit_view(const Gathered& g, const TableView& table, const ClimateView& climate);

// An output file of the folder against what laifit writes for the same inputs now (by content), or,
// when the inspector could not run laifit, against the times of the inputs.
struct OutputState {
  enum class State { matches, older, differs, left_over, left_by_failure };
  std::string name;
  State state = State::matches;
  bool older = false;        // older than the newest input
  std::string newest_input;  // that input
};
std::vector<OutputState> compare_outputs(const Gathered& g);

// The estimator's exit in words, with the settings it ran with.
std::string exit_words(const EstimatorView& estimator);

// Outputs that do not match their inputs; a run without a fit; and how the fit came out.
void check_fit(const Gathered& g, const FitView& fit, const TableView& table, Findings& findings);

// How a fit came out: broken fits (warnings) and the notes on a sound one. table_name names the
// observation table in the findings.
void check_fitted(const FitView& fit, const std::string& table_name, Findings& findings);

}  // namespace laifit::inspect
