// The LAI curve fitted to a field's observations given as arrays, without any file: what a program of
// the crop-simulation tool chain does when it has the thermal times and the observed LAI in memory.
// The data are those of laifit's example folder season-2011 (the 17 observation points with the
// emergence point, thermal times in degree-days from emergence), fitted as its param.soj asks: p1..p4
// estimated from (5, 0.01, 600, 0.006), p5 held at 1950. With the settings laifit itself uses, the
// estimates are laifit's own to the last bit; the program checks that and exits 0 when they are.

#include <cstdio>
#include <laifit/estimator.hpp>
#include <laifit/lai_curve.hpp>
#include <string_view>
#include <vector>

namespace {

const std::vector<float> kThermalTime{10.5f,      67.45f,     161.79999f, 262.75f,    362.4f,     476.85f,
                                      723.19995f, 860.14984f, 1002.8999f, 1143.95f,   1267.1498f, 1406.8998f,
                                      1528.1498f, 1658.7499f, 1783.75f,   1894.1498f, 2006.1998f};
const std::vector<float> kObservedLai{0.0f, 0.03f, 0.09f, 0.23f, 0.61f, 1.57f, 5.0f,  5.47f, 5.81f,
                                      5.6f, 5.6f,  5.41f, 4.69f, 4.76f, 3.55f, 1.59f, 0.0f};
constexpr float kHeldP5 = 1950.0f;
// laifit's estimates for the example folder, as laifit-inspect shows them.
constexpr float kLaifit[4] = {6.045621f, 0.010168724f, 575.79736f, 0.0039648665f};

class Progress : public laifit::EstimatorObserver {
 public:
  void rejected(laifit::RejectionReason, std::string_view message) override {
    std::printf("rejected: %.*s\n", static_cast<int>(message.size()), message.data());
  }
  laifit::ObserverAction iteration(const laifit::IterationSummary& s) override {
    std::printf("iteration %2d  sum of squares %-10.6g damping %.3g\n", s.iteration, s.sum_of_squares, s.damping);
    return laifit::ObserverAction::proceed;
  }
};

}  // namespace

int main() {
  // The model: the curve at every observation's thermal time, p5 held.
  const laifit::EstimatorModel model = [](std::span<const float> p, std::span<float> lai) {
    for (std::size_t i = 0; i < lai.size(); ++i)
      lai[i] = laifit::lai_curve({p[0], p[1], p[2], p[3], kHeldP5}, kThermalTime[i]);
  };
  const std::vector<float> start{5.0f, 0.01f, 600.0f, 0.006f};
  const std::vector<float> steps(4, 1.0e-4f), keep_sign(4, 1.0f);
  Progress progress;
  const laifit::EstimatorResult fit = laifit::estimate(
      model, {.observed = kObservedLai, .start = start, .difference_steps = steps, .keep_sign = keep_sign}, {},
      progress);
  if (fit.exit == laifit::EstimatorExit::rejected) return 1;
  bool same = true;
  for (int k = 0; k < 4; ++k) {
    std::printf("p%d = %-14.8g limits %.5g to %.5g\n", k + 1, fit.estimates[k], fit.lower_limits[k],
                fit.upper_limits[k]);
    same = same && fit.estimates[k] == kLaifit[k];
  }
  std::printf("sum of squares %.6g with %d degrees of freedom\n", fit.sum_of_squares, fit.degrees_of_freedom);
  std::printf(
      "LAI at 1000 degree-days: %.4f\n",
      laifit::lai_curve({fit.estimates[0], fit.estimates[1], fit.estimates[2], fit.estimates[3], kHeldP5}, 1000.0f));
  std::printf(same ? "the estimates are laifit's own\n" : "the estimates differ from laifit's\n");
  return same ? 0 : 1;
}
