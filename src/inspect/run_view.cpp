#include "inspect/run_view.hpp"

#include "numeric/store.hpp"

namespace laifit::inspect {

EstimatorView estimator_view(const RunDetails& d) {
  EstimatorView v;
  const EstimatorResult& r = d.fit.result;
  v.exit = r.exit;
  v.iterations = r.iterations;
  v.estimates = d.fit.par;
  if (r.exit == EstimatorExit::rejected) return v;  // the run keeps no figure of a rejected problem
  v.sum_of_squares = r.sumc;
  v.degrees_of_freedom = r.idf;
  if (r.sdev) v.residual_variance = numeric::store(double{*r.sdev} * *r.sdev);
  v.lower_limits = r.lower_limits;
  v.upper_limits = r.upper_limits;
  return v;
}

}  // namespace laifit::inspect
