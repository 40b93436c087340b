#include "inspect/fit.hpp"

#include <algorithm>
#include <cmath>

#include "inspect/catalogue.hpp"
#include "inspect/folder.hpp"
#include "inspect/inputs.hpp"
#include "model/curves.hpp"

namespace laifit::inspect {
namespace {

namespace fs = std::filesystem;

// A value that the LAI file's f6.3 field cannot hold shows as asterisks.
constexpr double kLargestWritten = 99.9995;

std::string parameter_list(const std::vector<int>& ks) {
  std::string s;
  for (std::size_t i = 0; i < ks.size(); ++i) {
    if (i > 0) s += i + 1 == ks.size() ? " and " : ", ";
    s += cat("p", std::to_string(ks[i] + 1));
  }
  return s;
}

void check_outputs(const Gathered& g, Findings& f) {
  for (const OutputState& out : compare_outputs(g)) {
    const std::string age = out.older ? " (it is older than " + out.newest_input + ")" : "";
    std::string what;
    switch (out.state) {
      case OutputState::State::matches: continue;
      case OutputState::State::older:
        what = "is older than " + out.newest_input + ": it does not show the current inputs.";
        break;
      case OutputState::State::left_by_failure:
        what = "is left from an earlier run: with these inputs laifit stops before it writes this file" + age + ".";
        break;
      case OutputState::State::left_over:
        what = "is left from an earlier run: laifit writes nothing into it for these inputs" + age + ".";
        break;
      case OutputState::State::differs:
        what =
            "differs from what laifit writes for these inputs: it comes from other inputs or another version "
            "of laifit" +
            age + ".";
        break;
    }
    f.add("stale-output", out.name, what);
  }
}

}  // namespace

std::vector<OutputState> compare_outputs(const Gathered& g) {
  std::optional<fs::file_time_type> newest;
  std::string newest_name;
  auto consider = [&](const std::string& name) {
    const FileState st = file_state(g.folder, name);
    if (st.time && (!newest || *st.time > *newest)) {
      newest = st.time;
      newest_name = name;
    }
  };
  consider("param.soj");
  for (const NamedInput& in : named_inputs(g)) consider(in.name);

  std::vector<std::pair<std::string, const std::optional<std::string>*>> outputs;
  if (const std::string* lai = g.name(kLaiFile); lai != nullptr && !names_outside_folder(*lai)) {
    outputs.emplace_back(*lai, &g.lai_file);
  }
  outputs.emplace_back("adjust_lai.txt", &g.report_file);
  std::vector<OutputState> states;
  for (const auto& [name, now] : outputs) {
    const FileState st = file_state(g.folder, name);
    if (st.kind != FileState::Kind::present && st.kind != FileState::Kind::empty) continue;
    OutputState out;
    out.name = name;
    out.older = newest && st.time && *st.time < *newest;
    out.newest_input = newest_name;
    if (!g.recomputed) {
      out.state = out.older ? OutputState::State::older : OutputState::State::matches;
    } else {
      const auto bytes = file_bytes(g.folder / name);
      if (bytes && *now && **now == *bytes) {
        out.state = OutputState::State::matches;
      } else if (g.status != 0) {
        out.state = OutputState::State::left_by_failure;
      } else if (!*now || (*now)->empty()) {
        out.state = OutputState::State::left_over;
      } else {
        out.state = OutputState::State::differs;
      }
    }
    states.push_back(out);
  }
  return states;
}

namespace {

// The parameters as read, and as the LAI file gives them: fitted when estimated, else the curve's held
// values.
void take_parameters(const RunDetails& d, const RunInputs& in, FitView& v) {
  const EstimatorView& e = v.estimator;
  std::size_t packed = 0;
  for (std::size_t k = 0; k < 5; ++k) {
    v.estimated[k] = in.switches[k] == 1;
    v.start[k] = in.values[k];
    v.used[k] = d.state.param.cst[k];
    if (!v.estimated[k]) continue;
    if (packed < e.estimates.size()) v.used[k] = e.estimates[packed];
    if (packed < e.lower_limits.size() && packed < e.upper_limits.size()) {
      v.limits[k] = std::array<float, 2>{e.lower_limits[packed], e.upper_limits[packed]};
    }
    ++packed;
  }
}

// The curve function that writes the LAI file, with the fitted parameters.
struct Curve {
  const Param& param;
  const std::vector<float>& par;
  CurveFunction function = curve_function(param.nbpar);

  float operator()(float t) const {
    const CurveCoding coding{param.icomb, param.cst};
    return function == nullptr ? lai_curve(param.cst, t)
                               : function(par, static_cast<std::int32_t>(par.size()), t, coding);
  }
};

FitPoint::Zero zero_of(const RunInputs& in, const ClimateView& climate, const RunPoint& rp) {
  if (rp.thermal_time != 0.0f || rp.day == in.emergence_day) return FitPoint::Zero::none;
  if (rp.day < in.emergence_day) return FitPoint::Zero::before_emergence;
  return climate.has(rp.day) ? FitPoint::Zero::below_base : FitPoint::Zero::no_climate_day;
}

// Every observation point against the curve function that writes the LAI file, and the agreement.
void take_points(const RunDetails& d, const RunInputs& in, const TableView& table, const ClimateView& climate,
                 FitView& v) {
  const Curve at{d.state.param, d.fit.par};
  const EstimatorResult& r = d.fit.result;
  const std::size_t n = in.points.size();
  double sum = 0.0, sum2 = 0.0, mean = 0.0, total = 0.0;
  for (const RunPoint& rp : in.points) mean += rp.observed;
  if (n > 0) mean /= static_cast<double>(n);
  for (const RunPoint& rp : in.points) {
    FitPoint p;
    p.line = point_line(table, rp);
    p.day = rp.day;
    p.date = date_of_day(in.sowing_year, p.day);
    p.thermal_time = rp.thermal_time;
    p.observed = rp.observed;
    p.fitted = at(p.thermal_time);
    p.residual = static_cast<float>(double{p.fitted} - double{p.observed});
    p.zero = zero_of(in, climate, rp);
    if (const std::size_t k = v.points.size(); k < r.fitted_lower.size() && k < r.fitted_upper.size()) {
      p.interval = std::array<float, 2>{r.fitted_lower[k], r.fitted_upper[k]};
    }
    sum += p.residual;
    sum2 += double{p.residual} * p.residual;
    total += (double{p.observed} - mean) * (double{p.observed} - mean);
    v.points.push_back(p);
  }
  if (n == 0) return;
  v.bias = sum / static_cast<double>(n);
  v.rmse = std::sqrt(sum2 / static_cast<double>(n));
  if (total > 0.0) v.r2 = 1.0 - sum2 / total;
}

// The daily series: every slot from emergence that the LAI file's writing filled, and why it ends.
void take_series(const RunDetails& d, FitView& v) {
  const Curve at{d.state.param, d.fit.par};
  const Lai& lai = d.state.lai;
  for (std::size_t k = 0; k < lai.nl2.size() && lai.nl2[k] != 0; ++k) {
    const std::int32_t day = lai.nl2[k];
    const float t = in_day_table(day) ? d.fit.som[static_cast<std::size_t>(day - 1)] : 0.0f;
    v.series.push_back(SeriesDay{day, lai.xinfl2[k], t, at(t)});
  }
  if (v.series.empty()) return;
  if (lai.irec != 0) {
    v.end = FitView::End::back_to_zero;
  } else if (v.series.back().thermal_time == v.somi) {
    v.end = FitView::End::climate_end;
  } else {
    v.end = FitView::End::day_table;
  }
}

}  // namespace

FitView fit_view(const Gathered& g, const TableView& table, const ClimateView& climate) {
  FitView v;
  const RunDetails& d = g.details;
  v.sowing_year = d.ansemis;
  v.emergence = d.state.lai.jlevee;
  v.fitted = d.fit.fitted;
  if (!v.fitted) return v;
  v.estimator = estimator_view(d);
  v.nbpar = d.state.param.nbpar;
  v.somi = d.fit.somi;
  const RunInputs in = run_inputs(d);
  take_parameters(d, in, v);
  take_points(d, in, table, climate, v);
  take_series(d, v);
  return v;
}

// A tolerance as a person writes it: "1e-5" (the exponent without its leading zero).
std::string tolerance(float v) {
  std::string s = shortest(v);
  const std::size_t e = s.find("e-0");
  if (e != std::string::npos) s.erase(e + 2, 1);
  return s;
}

std::string exit_words(const EstimatorView& e) {
  const std::string its = count_of(static_cast<std::size_t>(std::max(0, e.iterations)), "iteration", "iterations");
  switch (e.exit) {
    case EstimatorExit::rejected: return "rejected the problem and estimated nothing";
    case EstimatorExit::parameters_converged:
      return "converged on the parameters (each changed by less than " + tolerance(e.settings.errp) +
             " of its value), " + its;
    case EstimatorExit::sum_converged:
      return "converged on the sum of squares (it changed by less than " + tolerance(e.settings.errc) +
             " of its value), " + its;
    case EstimatorExit::iteration_limit:
      return "stopped at the iteration limit of " + std::to_string(e.settings.maxit) + " without converging";
    case EstimatorExit::no_reduction:
      return "stopped after " + std::to_string(e.failed_trials_limit) +
             " trial steps of one iteration failed to reduce the sum of squares, " + its;
    case EstimatorExit::stopped_by_observer: return "was stopped by its caller, " + its;
  }
  return "";
}

namespace {

const std::string kWhere = "the fit";

void check_no_fit(const Gathered& g, Findings& f) {
  const RunInputs in = run_inputs(g.details);
  if (in.has_rows && in.emergence_year != in.sowing_year && in.emergence_year != next_year(in.sowing_year)) return;
  const std::size_t nobs = in.points.size();
  const bool none = nobs == 0 || (nobs == 1 && in.points[0].row == 0);
  f.add("no-fit", kWhere,
        none ? "laifit makes no fit: the observation table has no LAI value from emergence on (a negative value "
               "marks a missing one)."
             : "laifit makes no fit: the " + std::to_string(nobs) +
                   " observation points follow each other day by day from emergence, which laifit takes as an LAI "
                   "series that needs no fit; it writes no interpolated LAI file.",
        none ? "give the observed LAI values in the column lai(n)" : "");
}

bool all_observed_zero(const FitView& fit) {
  return !fit.points.empty() &&
         std::all_of(fit.points.begin(), fit.points.end(), [](const FitPoint& p) { return p.observed == 0.0f; });
}

bool zero_started(const FitView& fit) {
  for (std::size_t k = 0; k < 5; ++k) {
    if (fit.estimated[k] && fit.start[k] == 0.0f) return true;
  }
  return false;
}

// The estimator's rejection: nothing to estimate, too few points, or parameters it could not use.
void check_rejection(const FitView& fit, Findings& f) {
  if (fit.nbpar == 0) {
    f.add("all-held", kWhere,
          "no parameter is estimated (every switch is 0): the estimator has nothing to do, and the LAI file shows "
          "the curve of the five given values.");
  } else if (static_cast<std::int32_t>(fit.points.size()) < fit.nbpar) {
    f.add("too-few-points", kWhere,
          "the estimator rejects the fit: " + count_of(fit.points.size(), "observation point", "observation points") +
              " for " + count_of(static_cast<std::size_t>(fit.nbpar), "estimated parameter", "estimated parameters") +
              "; the LAI file shows the curve of the starting values.");
  } else if (!zero_started(fit)) {
    f.add("estimator-rejected", kWhere,
          "the estimator rejected the problem (its report says \"erreur dans les parametres\"): it estimated "
          "nothing and left the starting values as the result, and laifit still ends with exit status 0 and "
          "writes the curve of the starting values.");
  }
}

// A curve that fits worse than the mean of the observations, or that is nowhere above zero.
void check_broken(const FitView& fit, Findings& f) {
  if (fit.points.empty() || all_observed_zero(fit)) return;
  if (std::all_of(fit.points.begin(), fit.points.end(), [](const FitPoint& p) { return !(p.fitted > 0.0f); })) {
    f.add("curve-not-positive", kWhere,
          "the fitted curve is zero or below at every observation point: it describes no leaf area, whatever the "
          "figures of the fit say.");
  } else if (fit.r2 && *fit.r2 < 0.0) {
    f.add("r2-negative", kWhere,
          "R² is " + significant(*fit.r2, 4) +
              ": the fitted curve is further from the observations than their mean is, so it does not describe them.");
  }
}

// The curve back at zero before the last observation with a leaf area.
void check_zero_before_last(const FitView& fit, const std::string& table_name, Findings& f) {
  if (fit.end != FitView::End::back_to_zero || fit.series.empty()) return;
  const std::int32_t zero_day = fit.series.back().day;
  std::vector<std::int64_t> lines;
  for (const FitPoint& p : fit.points) {
    if (p.day > zero_day && p.observed > 0.0f) lines.push_back(p.line);
  }
  if (lines.empty()) return;
  f.add("zero-before-last", kWhere,
        "the fitted curve falls back to zero on day " + std::to_string(zero_day) + " (" +
            dmy(date_of_day(fit.sowing_year, zero_day)) + "), before observed leaf area on " + table_name + " " +
            line_list(lines) + "; the LAI file ends there, and these observations are not covered.");
}

// Two or more zero observations after the last positive one, on days after the fitted series has ended:
// a table padded with zeros to the end of the season (one zero at harvest is a real observation).
void check_trailing_zeros(const FitView& fit, const std::string& table_name, Findings& f) {
  if (fit.series.empty()) return;
  const auto positive =
      std::find_if(fit.points.rbegin(), fit.points.rend(), [](const FitPoint& p) { return p.observed > 0.0f; });
  if (positive == fit.points.rend()) return;
  std::vector<std::int64_t> lines;
  for (auto it = fit.points.rbegin(); it != positive; ++it) {
    if (it->observed == 0.0f && it->day > fit.series.back().day) lines.push_back(it->line);
  }
  if (lines.size() < static_cast<std::size_t>(Thresholds::trailing_zeros)) return;
  f.add("zeros-after-end", kWhere,
        count_of(lines.size(), "zero observation", "zero observations") + " after the fitted series has ended (day " +
            std::to_string(fit.series.back().day) + "), on " + table_name + " " + line_list(lines) +
            ": the estimator fits them as measured bare ground where the curve has already fallen below zero, so they "
            "bend "
            "the end of the curve towards them.");
}

void check_tf(const FitView& fit, Findings& f) {
  const float p5 = fit.used[4];
  if (!(double{p5} > double{fit.somi})) return;
  std::string what = "p5 = " + significant(p5, 6) + " °Cd lies beyond the last thermal time of the climate data, " +
                     significant(fit.somi, 6) +
                     " °Cd: the LAI file's first line says \"Tf non atteint\", and its series stops with the climate "
                     "data";
  what += fit.end == FitView::End::back_to_zero ? ", here after the curve has come back to zero."
                                                : ", not at the end of the leaf area.";
  f.add("tf-non-atteint", kWhere, what);
}

// The decline measured by no observation.
void check_decline(const FitView& fit, Findings& f) {
  if (!(fit.estimated[3] || fit.estimated[4]) || fit.series.empty() || fit.points.empty()) return;
  const auto top = std::max_element(fit.series.begin(), fit.series.end(),
                                    [](const SeriesDay& a, const SeriesDay& b) { return a.lai < b.lai; });
  float last_t = 0.0f;
  for (const FitPoint& p : fit.points) last_t = std::max(last_t, p.thermal_time);
  if (!(double{top->lai} > 0.0 && double{last_t} < double{top->thermal_time})) return;
  f.add("decline-extrapolated", kWhere,
        "no observation lies after the fitted maximum (day " + std::to_string(top->day) + ", " +
            dmy(date_of_day(fit.sowing_year, top->day)) + ", LAI " + fixed(top->lai, 2) +
            "): the decline parameters p4 and p5 are estimated from the rise alone, so the end of the curve is an "
            "extrapolation.");
}

void check_limits(const FitView& fit, Findings& f) {
  std::vector<int> spanning;
  std::string ranges;
  for (int k = 0; k < 5; ++k) {
    const auto& lim = fit.limits[static_cast<std::size_t>(k)];
    if (!lim || !(double{(*lim)[0]} <= 0.0 && double{(*lim)[1]} >= 0.0)) continue;
    spanning.push_back(k);
    ranges += (ranges.empty() ? "" : ", ") + std::string("p") + std::to_string(k + 1) + " from " +
              significant((*lim)[0], 4) + " to " + significant((*lim)[1], 4);
  }
  if (spanning.empty()) return;
  const bool one = spanning.size() == 1;
  f.add("limits-include-zero", kWhere,
        "the confidence limits of " + parameter_list(spanning) + " span 0 (" + ranges + "): the observations leave " +
            (one ? "its" : "their") +
            " value loosely determined, which is common for parameters that few "
            "observations measure; the curve itself can still follow the observations well.");
}

void check_unwritable(const FitView& fit, Findings& f) {
  std::size_t unwritable = 0;
  for (const SeriesDay& s : fit.series) {
    if (!(std::fabs(double{s.lai}) < kLargestWritten)) ++unwritable;
  }
  if (unwritable == 0) return;
  f.add("lai-unwritable", kWhere,
        "the fitted LAI reaches 100 or more on " + count_of(unwritable, "day", "days") +
            ": the LAI file's field holds at most 99.999, so it shows ****** there.");
}

}  // namespace

void check_fitted(const FitView& fit, const std::string& table_name, Findings& f) {
  if (all_observed_zero(fit)) {
    f.add("all-zero", kWhere,
          "every observation point has LAI 0: there is no growth to fit, and the estimates mean nothing.");
  }
  const EstimatorExit exit = fit.estimator.exit;
  if (exit == EstimatorExit::rejected) {
    check_rejection(fit, f);
    return;  // the rest says how the fitted curve came out, and after a rejection there is none
  }
  if (exit == EstimatorExit::iteration_limit || exit == EstimatorExit::no_reduction) {
    f.add("not-converged", kWhere,
          "the estimator " + exit_words(fit.estimator) +
              ": the estimates are where it stopped, perhaps not the best fit.");
  }
  if (fit.estimator.degrees_of_freedom == 0) {
    f.add("no-freedom", kWhere,
          "as many observation points as estimated parameters: the curve can pass through every point, so there is "
          "no residual variance and no confidence limit to judge it by.");
  }
  check_broken(fit, f);
  check_zero_before_last(fit, table_name, f);
  check_trailing_zeros(fit, table_name, f);
  check_tf(fit, f);
  check_decline(fit, f);
  check_limits(fit, f);
  check_unwritable(fit, f);
}

void check_fit(const Gathered& g, const FitView& fit, const TableView& table, Findings& f) {
  check_outputs(g, f);
  if (!g.recomputed || g.status != 0) return;
  if (!fit.fitted) {
    check_no_fit(g, f);
    return;
  }
  check_fitted(fit, table.name, f);
}

}  // namespace laifit::inspect
