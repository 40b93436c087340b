#include "inspect/fit.hpp"

#include <algorithm>
#include <cmath>

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
      case OutputState::State::matches:
        continue;
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
    f.warn("stale-output", out.name, what, "run laifit again in the folder");
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

FitView fit_view(const Gathered& g, const TableView& table) {
  FitView v;
  const RunDetails& d = g.details;
  const RunState& s = d.state;
  v.sowing_year = d.ansemis;
  v.emergence = s.lai.jlevee;
  v.fitted = d.fit.fitted;
  if (!v.fitted) return v;
  const EstimatorResult& r = d.fit.result;
  v.exit = r.exit;
  v.iterations = r.iterations;
  v.nbpar = s.param.nbpar;
  v.sumc = s.somcarre.sumc;
  v.idf = s.somcarre.idf;
  if (r.standard_deviation) v.variance = s.somcarre.sdev;  // squared by the LAI file's writing
  v.somi = d.fit.somi;

  std::size_t packed = 0;
  for (std::size_t k = 0; k < 5; ++k) {
    v.estimated[k] = s.param.icod[k] == 1;
    v.start[k] = s.param.var[k];
    v.used[k] = s.param.cst[k];
    if (v.estimated[k]) {
      if (packed < d.fit.par.size()) v.used[k] = d.fit.par[packed];
      if (r.exit != EstimatorExit::rejected && packed < r.lower_limits.size() && packed < r.upper_limits.size()) {
        v.limits[k] = std::array<float, 2>{r.lower_limits[packed], r.upper_limits[packed]};
      }
      ++packed;
    }
  }

  // The fitted values by the curve function that writes the LAI file.
  const CurveCoding coding{s.param.icomb, s.param.cst};
  const CurveFunction curve = curve_function(s.param.nbpar);
  const std::span<const float> par(d.fit.par);
  auto at = [&](float t) {
    return curve == nullptr ? lai_curve(s.param.cst, t) : curve(par, static_cast<std::int32_t>(par.size()), t, coding);
  };
  double sum = 0.0, sum2 = 0.0, mean = 0.0;
  const std::size_t n = static_cast<std::size_t>(std::max(0, s.lai.nobs));
  for (std::size_t i = 0; i < n; ++i) mean += s.lai.xinfl[i];
  if (n > 0) mean /= static_cast<double>(n);
  double total = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    FitPoint p;
    p.line = point_line(g, table, i);
    p.day = s.lai.nl[i];
    p.date = date_of_day(d.ansemis, p.day);
    p.thermal_time = s.x.stemp[i];
    p.observed = s.lai.xinfl[i];
    p.fitted = at(p.thermal_time);
    p.residual = static_cast<float>(double{p.fitted} - double{p.observed});
    sum += p.residual;
    sum2 += double{p.residual} * p.residual;
    total += (double{p.observed} - mean) * (double{p.observed} - mean);
    v.points.push_back(p);
  }
  if (n > 0) {
    v.bias = sum / static_cast<double>(n);
    v.rmse = std::sqrt(sum2 / static_cast<double>(n));
    if (total > 0.0) v.r2 = 1.0 - sum2 / total;
  }

  // The daily series: every slot from emergence that the LAI file's writing filled.
  for (std::size_t k = 0; k < s.lai.nl2.size() && s.lai.nl2[k] != 0; ++k) {
    const std::int32_t day = s.lai.nl2[k];
    const float t = day >= 1 && day <= kDayTable ? d.fit.som[static_cast<std::size_t>(day - 1)] : 0.0f;
    v.series.push_back(SeriesDay{day, s.lai.xinfl2[k], t});
  }
  if (!v.series.empty()) {
    if (s.lai.irec != 0) {
      v.end = FitView::End::back_to_zero;
    } else if (v.series.back().thermal_time == v.somi) {
      v.end = FitView::End::climate_end;
    } else {
      v.end = FitView::End::day_table;
    }
  }
  return v;
}

std::string exit_words(const FitView& fit) {
  const std::string its = count_of(static_cast<std::size_t>(std::max(0, fit.iterations)), "iteration", "iterations");
  switch (fit.exit) {
    case EstimatorExit::rejected:
      return "rejected the problem and estimated nothing";
    case EstimatorExit::parameters_converged:
      return "converged on the parameters (each changed by less than 1e-5 of its value), " + its;
    case EstimatorExit::sum_converged:
      return "converged on the sum of squares (it changed by less than 1e-5 of its value), " + its;
    case EstimatorExit::iteration_limit:
      return "stopped at the iteration limit of 50 without converging";
    case EstimatorExit::no_reduction:
      return "stopped after 36 trial steps of one iteration failed to reduce the sum of squares, " + its;
    case EstimatorExit::stopped_by_observer:
      return "was stopped by its caller after " + its;
  }
  return "";
}

void check_fit(const Gathered& g, const FitView& fit, const TableView& table, Findings& f) {
  check_outputs(g, f);
  if (!g.recomputed || g.status != 0) return;
  const RunDetails& d = g.details;
  if (!fit.fitted) {
    if (d.has_rows && d.state.lev.anlevee != d.ansemis && d.state.lev.anlevee != next_year(d.ansemis)) return;
    const std::int32_t nobs = d.state.lai.nobs;
    const bool none = nobs == 0 || (nobs == 1 && d.point_record[0] == 0);
    f.warn("no-fit", "the fit",
           none ? "laifit makes no fit: the observation table has no LAI value from emergence on (a negative "
                  "value marks a missing one)."
                : "laifit makes no fit: the " + std::to_string(nobs) +
                      " observation points follow each other day by day from emergence, which laifit takes as an "
                      "LAI series that needs no fit; it writes no interpolated LAI file.",
           none ? "give the observed LAI values in the column lai(n)" : "");
    return;
  }
  const std::string where = "the fit";
  if (!fit.points.empty() &&
      std::all_of(fit.points.begin(), fit.points.end(), [](const FitPoint& p) { return p.observed == 0.0f; })) {
    f.warn("all-zero", where,
           "every observation point has LAI 0: there is no growth to fit, and the estimates mean nothing.",
           "check the column lai(n) of the observation table");
  }
  if (fit.exit == EstimatorExit::rejected) {
    if (fit.nbpar == 0) {
      f.note("all-held", where,
             "no parameter is estimated (every switch is 0): the estimator has nothing to do, and the LAI file "
             "shows the curve of the five given values.");
    } else if (static_cast<std::int32_t>(fit.points.size()) < fit.nbpar) {
      f.warn(
          "too-few-points", where,
          "the estimator rejects the fit: " + count_of(fit.points.size(), "observation point", "observation points") +
              " for " + count_of(static_cast<std::size_t>(fit.nbpar), "estimated parameter", "estimated parameters") +
              "; the LAI file shows the curve of the starting values.",
          "hold some parameters (switch 0), or add observations");
    }
  } else if (fit.exit == EstimatorExit::iteration_limit || fit.exit == EstimatorExit::no_reduction) {
    f.note("not-converged", where,
           "the estimator " + exit_words(fit) + ": the estimates are where it stopped, perhaps not the best fit.",
           "try other starting values, or hold the parameters that the data do not determine");
  }
  // The rest says how the fitted curve came out; after a rejection there is none.
  if (fit.exit == EstimatorExit::rejected) return;
  if (fit.idf == 0) {
    f.note("no-freedom", where,
           "as many observation points as estimated parameters: the curve can pass through every point, so there "
           "is no residual variance and no confidence limit to judge it by.",
           "hold some parameters, or add observations");
  }
  // The curve back at zero before the last observation with a leaf area.
  if (fit.end == FitView::End::back_to_zero && !fit.series.empty()) {
    const std::int32_t zero_day = fit.series.back().day;
    std::vector<std::int64_t> lines;
    for (const FitPoint& p : fit.points) {
      if (p.day > zero_day && p.observed > 0.0f) lines.push_back(p.line);
    }
    if (!lines.empty()) {
      f.note("zero-before-last", where,
             "the fitted curve falls back to zero on day " + std::to_string(zero_day) + " (" +
                 dmy(date_of_day(fit.sowing_year, zero_day)) + "), before observed leaf area on " + table.name + " " +
                 line_list(lines) + "; the LAI file ends there, and these observations are not covered.",
             "look at the decline parameters p4 and p5, and at the observations of the end of the season");
    }
  }
  const float p5 = fit.used[4];
  if (double{p5} > double{fit.somi}) {
    std::string what = "p5 = " + significant(p5, 6) + " °Cd lies beyond the last thermal time of the climate data, " +
                       significant(fit.somi, 6) +
                       " °Cd: the LAI file's first line says \"Tf non atteint\", and its series stops with the climate "
                       "data";
    what += fit.end == FitView::End::back_to_zero ? ", here after the curve has come back to zero."
                                                  : ", not at the end of the leaf area.";
    f.note("tf-non-atteint", where, what);
  }
  // The decline measured by no observation.
  if ((fit.estimated[3] || fit.estimated[4]) && !fit.series.empty() && !fit.points.empty()) {
    const auto top = std::max_element(fit.series.begin(), fit.series.end(),
                                      [](const SeriesDay& a, const SeriesDay& b) { return a.lai < b.lai; });
    float last_t = 0.0f;
    for (const FitPoint& p : fit.points) last_t = std::max(last_t, p.thermal_time);
    if (double{top->lai} > 0.0 && double{last_t} < double{top->thermal_time}) {
      f.note("decline-extrapolated", where,
             "no observation lies after the fitted maximum (day " + std::to_string(top->day) + ", " +
                 dmy(date_of_day(fit.sowing_year, top->day)) + ", LAI " + fixed(top->lai, 2) +
                 "): the decline parameters p4 and p5 are estimated from the rise alone, so the end of the curve "
                 "is an extrapolation.",
             "add observations after the maximum, or hold p4 and p5");
    }
  }
  std::vector<int> through_zero;
  for (int k = 0; k < 5; ++k) {
    const auto& lim = fit.limits[static_cast<std::size_t>(k)];
    if (lim && double{(*lim)[0]} <= 0.0 && double{(*lim)[1]} >= 0.0) through_zero.push_back(k);
  }
  if (!through_zero.empty()) {
    std::string ranges;
    for (const int k : through_zero) {
      const auto& lim = *fit.limits[static_cast<std::size_t>(k)];
      ranges += (ranges.empty() ? "" : ", ") + std::string("p") + std::to_string(k + 1) + " from " +
                significant(lim[0], 4) + " to " + significant(lim[1], 4);
    }
    f.note("limits-include-zero", where,
           "the confidence limits of " + parameter_list(through_zero) + " include 0 (" + ranges +
               "): the observations do not determine " + (through_zero.size() == 1 ? "it" : "them") + ".",
           "hold " + std::string(through_zero.size() == 1 ? "it" : "them") +
               " at a value known for the crop (switch 0), or add observations that do");
  }
  std::size_t unwritable = 0;
  for (const SeriesDay& s : fit.series) {
    if (!(std::fabs(double{s.lai}) < kLargestWritten)) ++unwritable;
  }
  if (unwritable > 0) {
    f.note("lai-unwritable", where,
           "the fitted LAI reaches 100 or more on " + count_of(unwritable, "day", "days") +
               ": the LAI file's field holds at most 99.999, so it shows ****** there.");
  }
}

}  // namespace laifit::inspect
