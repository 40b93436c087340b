#include "inspect/outputs.hpp"
#include "inspect/text.hpp"

namespace laifit::inspect {

namespace {

// What sets a point apart: the emergence point that laifit adds, an observation without thermal time,
// an observation after the last day of the daily series; "" for an ordinary one.
std::string special(const FitView& fit, const FitPoint& p) {
  if (p.line == 0) return "emergence_added";
  std::string marks;
  if (p.thermal_time == 0.0f) marks = "thermal_time_0";
  if (!fit.series.empty() && p.day > fit.series.back().day) marks += marks.empty() ? "after_series" : " after_series";
  return marks;
}

}  // namespace

std::string csv_text(const FitView& fit, std::string_view folder) {
  // The folder first, so that the tables of many folders concatenate; every other field is a number, a
  // date, a word or empty, and needs no quotes.
  std::string out =
      "folder,line,day,date,thermal_time_degree_days,observed_lai_m2_per_m2,fitted_lai_m2_per_m2,"
      "residual_fitted_minus_observed,point\n";
  const std::string name = csv_cell(folder);
  for (const FitPoint& p : fit.points) {
    out += name + "," + (p.line > 0 ? std::to_string(p.line) : "") + "," + std::to_string(p.day) + "," + iso(p.date) +
           "," + shortest(p.thermal_time) + "," + shortest(p.observed) + "," + shortest(p.fitted) + "," +
           shortest(p.residual) + "," + special(fit, p) + "\n";
  }
  return out;
}

}  // namespace laifit::inspect
