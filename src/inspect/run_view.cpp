#include "inspect/run_view.hpp"

#include <algorithm>

#include "numeric/store.hpp"

namespace laifit::inspect {

EstimatorView estimator_view(const RunDetails& d) {
  EstimatorView v;
  const EstimatorResult& r = d.fit.result;
  v.exit = r.exit;
  v.iterations = r.iterations;
  v.estimates = d.fit.par;
  if (r.exit == EstimatorExit::rejected) return v;  // the run keeps no figure of a rejected problem
  v.sum_of_squares = r.sum_of_squares;
  v.degrees_of_freedom = r.degrees_of_freedom;
  if (r.standard_deviation) {
    v.residual_variance = numeric::store(double{*r.standard_deviation} * *r.standard_deviation);
  }
  v.lower_limits = r.lower_limits;
  v.upper_limits = r.upper_limits;
  return v;
}

RunInputs run_inputs(const RunDetails& d) {
  RunInputs in;
  const RunState& s = d.state;
  in.has_rows = d.has_rows;
  in.sowing_year = d.ansemis;
  in.sowing_year_days = d.nbjansemis;
  in.emergence_day = s.lai.jlevee;
  in.emergence_year = s.lev.anlevee;
  in.climate_years = s.temps.icodclim;
  in.base_temperature = s.param.base;
  in.switches = s.param.icod;
  in.values = s.param.var;
  const auto n = static_cast<std::size_t>(std::clamp(s.lai.nobs, 0, kMaxObservations));
  for (std::size_t i = 0; i < n; ++i) {
    in.points.push_back(RunPoint{s.lai.nl[i], s.lai.xinfl[i], s.x.stemp[i], d.point_record[i]});
  }
  return in;
}

std::int32_t RunInputs::last_point_day() const {
  if (points.empty()) return 0;
  std::int32_t last = points.front().day;
  for (const RunPoint& p : points) last = std::max(last, p.day);
  return last;
}

}  // namespace laifit::inspect
