// Misra1a (NIST StRD, dental research monomolecular adsorption): y = b1 (1 - exp(-b2 x)), fitted from
// NIST's first start with laifit's estimator and a model of our own; prints the estimates beside the
// certified values and the number of matching significant digits.

#include <cmath>
#include <cstdio>
#include <laifit/estimator.hpp>
#include <string_view>
#include <vector>

namespace {

// The 14 observations (x = pressure, y = volume) and the certified values, from NIST's Misra1a.dat.
const std::vector<double> kX{77.6,  114.9, 141.1, 190.8, 239.9, 289.0, 332.8,
                             378.4, 434.8, 477.3, 536.8, 593.1, 689.1, 760.0};
const std::vector<float> kY{10.07f, 14.73f, 17.94f, 23.93f, 29.61f, 35.18f, 40.02f,
                            44.82f, 50.76f, 55.05f, 61.01f, 66.40f, 75.47f, 81.78f};
constexpr double kCertified[2] = {2.3894212918E+02, 5.5015643181E-04};

// Prints the fit's progress while the estimator runs: one line per iteration.
class Progress : public laifit::EstimatorObserver {
 public:
  void initial_sum(float sum_of_squares) override { std::printf("initial sum of squares  %.6g\n", sum_of_squares); }
  laifit::ObserverAction iteration(const laifit::IterationSummary& s) override {
    std::printf("iteration %3d  sum of squares %.6g  damping %.3g  step %.3g  trials %d\n", s.iteration,
                s.sum_of_squares, s.damping, s.step_length, s.trials);
    return laifit::ObserverAction::proceed;
  }
  void rejected(laifit::RejectionReason, std::string_view message) override {
    std::printf("the estimator rejected the problem: %.*s\n", static_cast<int>(message.size()), message.data());
  }
  void estimates(std::span<const float>, float sum_of_squares) override {
    std::printf("final sum of squares    %.6g\n", sum_of_squares);
  }
};

}  // namespace

int main() {
  int calls = 0;
  const laifit::EstimatorModel model = [&calls](std::span<const float> b, std::span<float> fitted) {
    ++calls;
    for (std::size_t i = 0; i < fitted.size(); ++i) {
      fitted[i] = static_cast<float>(b[0] * (1.0 - std::exp(-double(b[1]) * kX[i])));
    }
  };
  const std::vector<float> start{500.0f, 1.0e-4f}, steps(2, 1.0e-4f);
  Progress progress;
  const laifit::EstimatorResult fit =
      laifit::estimate(model, {.observed = kY, .start = start, .difference_steps = steps},
                       {.sum_tolerance = 1.0e-6f, .parameter_tolerance = 1.0e-6f, .max_iterations = 500}, progress);
  if (fit.exit == laifit::EstimatorExit::rejected) return 1;
  std::printf("%d iterations, %d model calls\n", fit.iterations, calls);
  double least = 8;
  for (int k = 0; k < 2; ++k) {
    const double digits = -std::log10(std::fabs(fit.estimates[k] - kCertified[k]) / kCertified[k]);
    least = std::fmin(least, digits);
    std::printf("b%d = %.8e  certified %.10e  (%.1f digits)\n", k + 1, fit.estimates[k], kCertified[k], digits);
  }
  // Single-precision storage leaves about four of the certified digits from this start.
  return least >= 3.5 ? 0 : 1;
}
