#include "laifit/lai_curve.hpp"

#include "numeric/exp.hpp"
#include "numeric/store.hpp"

namespace laifit {

float lai_curve(const CurveParameters& p, float t) {
  const float a = numeric::store(-(double{p[1]} * (double{t} - p[2])));
  const float e1 = numeric::exp_cr_stored(double{a});
  const float g = numeric::store(1.0 / (1.0 + e1));
  const float b = numeric::store(double{p[3]} * (double{t} - p[4]));
  const float e2 = numeric::exp_cr_stored(double{b});
  return numeric::store(double{p[0]} * (double{g} - e2));
}

}  // namespace laifit
