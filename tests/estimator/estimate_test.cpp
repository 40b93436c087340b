#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "estimator/workspace.hpp"
#include "laifit/estimator.hpp"
#include "recording_observer.hpp"
#include "test_problems.hpp"

namespace laifit {
namespace {

using testing::Exponential;
using testing::Recorder;
using testing::RecordingObserver;

struct Estimation {
  std::vector<float> observed, start, steps, keep_sign;
  EstimatorSettings settings{};

  Estimation() = default;
  Estimation(std::vector<float> y, std::vector<float> th, std::vector<float> difference_steps, std::vector<float> signs,
             EstimatorSettings s = {})
      : observed(std::move(y)),
        start(std::move(th)),
        steps(std::move(difference_steps)),
        keep_sign(std::move(signs)),
        settings(s) {}

  EstimatorProblem problem() const { return {observed, start, steps, keep_sign}; }
  EstimatorResult run(Recorder& model, RecordingObserver& observer) const {
    return estimate(model.model(), problem(), settings, observer);
  }
};

// The two-parameter exponential from the start (3.5, 0.25), both parameters free and positive.
Estimation exponential_run(const Exponential& data) {
  return Estimation{data.y, {3.5f, 0.25f}, {1e-4f, 1e-4f}, {1.0f, 1.0f}};
}

Estimation one_parameter(float start, float y, float difz) {
  Estimation run{{y}, {start}, {difz}, {1.0f}};
  run.settings = {0.0f, 0.0f, 1, 0.01f, 10.0f};
  return run;
}

bool same_bits(const std::vector<float>& a, const std::vector<float>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](float x, float y) {
    return std::bit_cast<std::uint32_t>(x) == std::bit_cast<std::uint32_t>(y);
  });
}

TEST(Estimate, RejectsArgumentsOutOfRangeWithTheirReasonWithoutCallingTheModel) {
  for (const testing::RejectedProblem& c : testing::rejected_problems()) {
    if (c.legacy_only) continue;
    SCOPED_TRACE(c.name);
    Recorder model{{}, [](std::span<const float>, std::span<float> ye) { std::fill(ye.begin(), ye.end(), 1.0f); }};
    const testing::RejectedArrays arrays(c);
    Estimation run{arrays.observed, arrays.start, arrays.steps, arrays.keep_sign, arrays.settings(c)};
    RecordingObserver observer;
    const EstimatorResult result = run.run(model, observer);
    EXPECT_EQ(result.exit, EstimatorExit::rejected);
    EXPECT_EQ(result.rejection, c.reason);
    EXPECT_EQ(observer.reason, c.reason);
    EXPECT_FALSE(result.message.empty());
    EXPECT_EQ(observer.message, result.message);
    EXPECT_EQ(result.iterations, 0);
    EXPECT_TRUE(model.calls.empty());
    EXPECT_TRUE(same_bits(result.estimates, run.start));
    EXPECT_EQ(result.sum_tolerance, -1.0f);
    EXPECT_EQ(observer.events,
              (std::vector<std::string>{"started " + std::to_string(c.nob) + " " + std::to_string(c.np), "rejected",
                                        "finished 0"}));
  }
  // The message names the parameter at fault.
  const testing::RejectedProblem& zero = testing::rejected_problems()[6];
  const testing::RejectedArrays arrays(zero);
  Recorder model{{}, [](std::span<const float>, std::span<float>) {}};
  RecordingObserver observer;
  EXPECT_EQ(Estimation(arrays.observed, arrays.start, arrays.steps, arrays.keep_sign, arrays.settings(zero))
                .run(model, observer)
                .message,
            "parameter 2: starting value zero");

  // Difference steps or sign switches shorter than the parameters are too short; no sign switches at all
  // leave every sign free.
  struct Short {
    Estimation run;
    RejectionReason reason;
  };
  for (const Short& c : std::vector<Short>{
           {{{1.0f, 2.0f, 3.0f}, {1.0f, 2.0f}, {1e-4f, 1e-4f}, {1.0f}}, RejectionReason::arrays_too_short},
           {{{1.0f, 2.0f, 3.0f}, {1.0f, 2.0f}, {1e-4f}, {1.0f, 1.0f}}, RejectionReason::arrays_too_short},
           {{{1.0f, 2.0f, 3.0f}, {1.0f, 2.0f}, {1e-4f, 1e-4f}, {}}, RejectionReason::none}}) {
    RecordingObserver seen;
    EXPECT_EQ(c.run.run(model, seen).rejection, c.reason);
  }
}

TEST(Estimate, EndsByEachExitWithItsIterationCount) {
  const Exponential data(12, 3.0, 0.2, 0.5, 0.01);
  struct Case {
    const char* name;
    float eps1, eps2;
    std::int32_t mit;
    EstimatorExit exit;
  };
  for (const Case& c : std::vector<Case>{
           {"parameter test", 0.0f, 1e-5f, 50, EstimatorExit::parameters_converged},
           {"sum test", 2e-5f, 0.0f, 50, EstimatorExit::sum_converged},
           {"iteration limit", 0.0f, 0.0f, 3, EstimatorExit::iteration_limit},
       }) {
    SCOPED_TRACE(c.name);
    Estimation run = exponential_run(data);
    run.settings = {c.eps1, c.eps2, c.mit, 0.01f, 10.0f};
    RecordingObserver observer;
    Recorder model{{}, data.model(), &observer.events};
    const EstimatorResult result = run.run(model, observer);
    EXPECT_EQ(result.exit, c.exit);
    EXPECT_EQ(observer.exit, c.exit);
    if (c.exit == EstimatorExit::iteration_limit) {
      EXPECT_EQ(result.iterations, c.mit + 1);
    }
    EXPECT_EQ(observer.events.back(), "finished " + std::to_string(result.iterations));
    // Each iteration costs a difference call per parameter and at least one trial; the statistics add a
    // difference call per parameter.
    EXPECT_GE(model.calls.size(), 1u + 3u * static_cast<std::size_t>(std::min(result.iterations, c.mit)) + 2u);
  }

  // f = 1e-12 th: the scaled gradient is small and the step points straight at it, but unscaled the step
  // is about -1e12, so every halved trial still changes the sign of th = 1. 36 refusals in the first
  // iteration and no trial evaluated, so the final sum of squares is the initial one.
  Estimation run{{-1.0f, -1.0f}, {1.0f}, {1e-4f}, {1.0f}};
  Recorder model{{}, [](std::span<const float> par, std::span<float> ye) {
                   for (float& v : ye) v = static_cast<float>(1e-12 * par[0]);
                 }};
  RecordingObserver observer;
  const EstimatorResult result = run.run(model, observer);
  EXPECT_EQ(result.exit, EstimatorExit::no_reduction);
  EXPECT_EQ(result.iterations, 1);
  EXPECT_EQ(result.estimates[0], 1.0f);
  // Initial evaluation, one difference, then after the iteration one difference for the intervals.
  ASSERT_EQ(model.calls.size(), 3u);
  EXPECT_EQ(model.calls[0][0], 1.0f);
  EXPECT_EQ(model.calls[2][0], model.calls[1][0]);
  EXPECT_EQ(observer.ssq, 2.0f);
  EXPECT_EQ(observer.sumc, 2.0f);
  EXPECT_EQ(result.sum_of_squares, 2.0f);
}

TEST(Estimate, CallsTheObserverBetweenTheModelCallsInTheOrderOfTheReport) {
  const Exponential data(12, 3.0, 0.2, 0.5, 0.01);
  Estimation run = exponential_run(data);
  run.settings.max_iterations = 1;
  RecordingObserver observer;
  Recorder model{{}, data.model(), &observer.events};
  const EstimatorResult result = run.run(model, observer);
  ASSERT_EQ(result.exit, EstimatorExit::iteration_limit);
  // One iteration: two differences and the trials, then the statistics with two more differences.
  const std::size_t trials = model.calls.size() - 1 - 2 - 2;
  ASSERT_GE(trials, 1u);
  std::vector<std::string> expected{"started 12 2", "evaluating_start", "model", "initial_sum"};
  expected.insert(expected.end(), 2 + trials, "model");
  for (const char* e : {"iteration 1", "stopped", "correlation", "normalising", "variance 10", "limits", "model",
                        "model", "intervals", "estimates", "finished 2"}) {
    expected.push_back(e);
  }
  EXPECT_EQ(observer.events, expected);
}

TEST(Estimate, TakesNegativeSumToleranceAsZero) {
  const Exponential data(12, 3.0, 0.2, 0.5, 0.01);
  Estimation run = exponential_run(data);
  run.settings = {-1.0f, 0.0f, 20, 0.01f, 10.0f};
  RecordingObserver observer;
  Recorder model{{}, data.model()};
  const EstimatorResult result = run.run(model, observer);
  EXPECT_EQ(result.sum_tolerance, 0.0f);
  EXPECT_FALSE(std::signbit(result.sum_tolerance));
  // With no stopping test left, only the iteration limit or a failed iteration ends the fit.
  EXPECT_TRUE(result.exit == EstimatorExit::iteration_limit || result.exit == EstimatorExit::no_reduction);
  if (result.exit == EstimatorExit::iteration_limit) {
    EXPECT_EQ(result.iterations, 21);
  }
}

// The starting value gives f = 1 and its difference f = 2; every later call gives `trial`.
Recorder scripted(float trial) {
  return Recorder{{}, [trial, calls = 0](std::span<const float>, std::span<float> ye) mutable {
                    ++calls;
                    ye[0] = calls == 1 ? 1.0f : calls == 2 ? 2.0f : trial;
                  }};
}

TEST(Estimate, AcceptsASlightlyLargerSumOfSquaresWithinTheTolerance) {
  // Every trial's sum of squares is 1 + growth against 1 before; eps1 is 1e-3.
  for (const double growth : {0.5e-3, 2e-3}) {
    Estimation run = one_parameter(1.0f, 0.0f, 0.5f);
    run.settings = {1e-3f, 0.0f, 5, 0.01f, 10.0f};
    Recorder model = scripted(static_cast<float>(std::sqrt(1 + growth)));
    RecordingObserver observer;
    const EstimatorResult result = run.run(model, observer);
    if (growth < 1e-3) {
      EXPECT_EQ(result.exit, EstimatorExit::sum_converged);
      ASSERT_EQ(model.calls.size(), 3u);
      EXPECT_EQ(result.estimates[0], model.calls[2][0]) << "the trial is taken";
      EXPECT_LT(result.estimates[0], 1.0f);
    } else {
      EXPECT_EQ(result.exit, EstimatorExit::no_reduction);
      EXPECT_EQ(model.calls.size(), 2u + 36u);
      EXPECT_EQ(result.estimates[0], 1.0f);
    }
  }
}

TEST(Estimate, RefusesATrialThatChangesASignWithoutCallingTheModel) {
  // Linear model with p = th / 2 exactly and no damping: the first trial is th + (y - f(th)).
  struct Case {
    const char* name;
    float start, y, sign;
    std::vector<float> trials;  // parameters of the model calls after the initial one and the difference
  };
  for (const Case& c : std::vector<Case>{
           {"crossing to -0.5 refused, half step taken", 2.0f, -2.5f, 1.0f, {0.75f}},
           {"reaching +0.0 from above allowed", 2.0f, -2.0f, 1.0f, {0.0f}},
           {"crossing allowed without the switch", 2.0f, -2.5f, 0.0f, {-0.5f}},
           {"reaching +0.0 from below refused", -2.0f, 2.0f, 1.0f, {-1.0f}},
       }) {
    SCOPED_TRACE(c.name);
    Estimation run = one_parameter(c.start, c.y, 0.5f);
    run.keep_sign = {c.sign};
    run.settings.initial_damping = 0.0f;
    const float origin = c.start;
    Recorder model{{}, [origin](std::span<const float> par, std::span<float> ye) { ye[0] = par[0] - origin; }};
    RecordingObserver observer;
    const EstimatorResult result = run.run(model, observer);
    EXPECT_EQ(result.exit, EstimatorExit::iteration_limit);
    ASSERT_EQ(model.calls.size(), 2 + c.trials.size());
    EXPECT_EQ(model.calls[1][0], c.start * 1.5f);
    for (std::size_t k = 0; k < c.trials.size(); ++k) {
      EXPECT_EQ(std::bit_cast<std::uint32_t>(model.calls[2 + k][0]), std::bit_cast<std::uint32_t>(c.trials[k]))
          << model.calls[2 + k][0];
    }
    EXPECT_EQ(result.estimates[0], c.trials.back());
  }
}

TEST(Estimate, RaisesTheDampingAboveThirtyDegreesAndHalvesTheStepOtherwise) {
  // Only the starting value and its difference give numbers; every trial fails (its sum is undefined). The
  // one-parameter "cosine" is (1 + lambda) / y^2 here: y = -2.5 gives about 81 degrees, y = -1.05 about 25 degrees.
  struct Case {
    const char* name;
    double y;
    std::vector<double> factors;  // trial k is 2 + y * factor
  };
  const std::vector<Case> cases{
      // lambda 0.001, 0.01, 0.1, 1, 10; at 10 the cosine exceeds 1, so the step is then halved.
      {"wide angle", -2.5, {1 / 1.001, 1 / 1.01, 1 / 1.1, 1 / 2.0, 1 / 11.0, 0.5 / 11.0, 0.25 / 11.0}},
      {"narrow angle", -1.05, {1 / 1.001, 0.5 / 1.001, 0.25 / 1.001, 0.125 / 1.001}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Estimation run = one_parameter(2.0f, static_cast<float>(c.y), 0.5f);
    run.keep_sign = {0.0f};
    Recorder model{{}, [calls = 0](std::span<const float> par, std::span<float> ye) mutable {
                     ye[0] = ++calls <= 2 ? par[0] - 2.0f : std::numeric_limits<float>::quiet_NaN();
                   }};
    RecordingObserver observer;
    const EstimatorResult result = run.run(model, observer);
    EXPECT_EQ(result.exit, EstimatorExit::no_reduction);
    EXPECT_EQ(result.iterations, 1);
    ASSERT_EQ(model.calls.size(), 2u + 36u);
    for (std::size_t k = 0; k < c.factors.size(); ++k) {
      EXPECT_NEAR(model.calls[2 + k][0], 2.0 + c.y * c.factors[k], 2e-6) << "trial " << k + 1;
    }
  }
}

TEST(Estimate, SkipsVarianceLimitsAndIntervalsWithoutDegreesOfFreedom) {
  const Exponential data(2, 3.0, 0.2, 0.0, 0.0);
  Estimation run = exponential_run(data);
  RecordingObserver observer;
  Recorder model{{}, data.model()};
  const EstimatorResult result = run.run(model, observer);
  EXPECT_EQ(result.degrees_of_freedom, 0);
  EXPECT_FALSE(result.standard_deviation.has_value());
  EXPECT_TRUE(result.upper_limits.empty() && result.fitted_upper.empty());
  for (const char* absent : {"variance", "limits", "intervals"}) EXPECT_EQ(observer.count(absent), 0u) << absent;
  EXPECT_EQ(observer.count("normalising"), 1u);
  EXPECT_EQ(observer.count("estimates"), 1u);
}

TEST(Estimate, ReturnsTheFitFiguresLimitsAndIntervals) {
  const Exponential data(30, 3.0, 0.2, 0.5, 0.05);
  Estimation run{data.y, {3.5f, 0.25f, 0.4f}, {1e-4f, 1e-4f, 1e-4f}, {1.0f, 1.0f, 1.0f}};
  RecordingObserver observer;
  Recorder model{{}, data.model()};
  const EstimatorResult result = run.run(model, observer);
  std::vector<float> fitted(30);
  data.model()(result.estimates, fitted);
  double sum = 0;
  for (int i = 0; i < 30; ++i) sum += (double(fitted[i]) - data.y[i]) * (double(fitted[i]) - data.y[i]);
  EXPECT_EQ(result.degrees_of_freedom, 27);
  EXPECT_NEAR(result.sum_of_squares / sum, 1.0, 1e-5);
  ASSERT_TRUE(result.standard_deviation.has_value());
  EXPECT_NEAR(*result.standard_deviation / std::sqrt(sum / 27), 1.0, 1e-5);
  EXPECT_NEAR(observer.variance_seen / (sum / 27), 1.0, 1e-5);
  EXPECT_EQ(result.fitted, fitted);
  ASSERT_EQ(result.correlation.size(), 9u);
  ASSERT_EQ(result.normalising.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_FLOAT_EQ(result.correlation[i * 3 + i], 1.0f);
    // th +- 2 e sdev, and the same figures as the observer saw.
    EXPECT_FLOAT_EQ(result.upper_limits[i],
                    result.estimates[i] + 2 * result.normalising[i] * *result.standard_deviation);
    EXPECT_FLOAT_EQ(result.lower_limits[i],
                    result.estimates[i] - 2 * result.normalising[i] * *result.standard_deviation);
  }
  EXPECT_EQ(result.upper_limits, observer.limits_upper);
  EXPECT_EQ(result.lower_limits, observer.limits_lower);
  ASSERT_EQ(result.fitted_upper.size(), 30u);
  for (std::size_t k = 0; k < 30; ++k) {
    EXPECT_GT(result.fitted_upper[k], result.fitted[k]);
    EXPECT_NEAR(result.fitted_upper[k] - result.fitted[k], result.fitted[k] - result.fitted_lower[k], 1e-6);
  }
  EXPECT_EQ(result.fitted_upper, observer.intervals_upper);
}

TEST(Estimate, WorksInTheCallersArraysWhenGiven) {
  const Exponential data(10, 3.0, 0.2, 0.5, 0.01);
  Estimation run{data.y, {3.5f, 0.25f, 0.4f}, {1e-4f, 1e-4f, 1e-4f}, {1.0f, 1.0f, 1.0f}};
  std::vector<float> q(3), p(3), e(3), phi(3), tb(3), f(10), r(10), a(9), d(9), delz(30);
  RecordingObserver mine, own;
  Recorder model{{}, data.model()};
  const EstimatorResult in_place =
      estimator_detail::estimate(model.model(), run.problem(), run.settings, mine,
                                 estimator_detail::EstimatorWorkspace{q, p, e, phi, tb, f, r, a, d, delz}, 10);
  const EstimatorResult allocated = run.run(model, own);
  EXPECT_EQ(in_place.estimates, allocated.estimates);
  EXPECT_EQ(mine.events, own.events);
  EXPECT_EQ(f, in_place.fitted);
  EXPECT_EQ(a, in_place.correlation);
  EXPECT_EQ(std::vector<float>(tb), in_place.lower_limits);
  // One array too short: rejected before any model call.
  std::vector<float> short_delz(29);
  const std::size_t calls = model.calls.size();
  RecordingObserver refused;
  const EstimatorResult short_arrays =
      estimator_detail::estimate(model.model(), run.problem(), run.settings, refused,
                                 estimator_detail::EstimatorWorkspace{q, p, e, phi, tb, f, r, a, d, short_delz}, 10);
  EXPECT_EQ(short_arrays.rejection, RejectionReason::arrays_too_short);
  // More observations than the caller's bound: rejected as too many.
  EXPECT_EQ(estimator_detail::estimate(model.model(), run.problem(), run.settings, refused,
                                       estimator_detail::EstimatorWorkspace{q, p, e, phi, tb, f, r, a, d, delz}, 9)
                .rejection,
            RejectionReason::too_many_observations);
  EXPECT_EQ(model.calls.size(), calls);
}

}  // namespace
}  // namespace laifit

namespace laifit {
namespace {

TEST(Estimate, ReportsEveryAcceptedIterationAndStopsWhenTheObserverSaysSo) {
  const Exponential data(12, 3.0, 0.2, 0.5, 0.01);
  // Without a stop: one summary per iteration that took a step, the last one just before the test that
  // ended it; at the limit none for the iteration counted past it.
  for (const std::int32_t limit : {50, 3}) {
    Estimation run = exponential_run(data);
    run.settings.max_iterations = limit;
    RecordingObserver observer;
    Recorder model{{}, data.model()};
    const EstimatorResult result = run.run(model, observer);
    const bool at_limit = result.exit == EstimatorExit::iteration_limit;
    ASSERT_EQ(at_limit, limit == 3);
    ASSERT_EQ(observer.iterations.size(), static_cast<std::size_t>(at_limit ? limit : result.iterations));
    for (std::size_t k = 0; k < observer.iterations.size(); ++k) {
      const IterationSummary& s = observer.iterations[k];
      EXPECT_EQ(s.iteration, static_cast<std::int32_t>(k + 1));
      EXPECT_GE(s.trials, 1);
      EXPECT_GT(s.step_length, 0.0f);
      EXPECT_LE(s.step_length, 1.0f);
      if (k > 0) {
        EXPECT_LE(s.sum_of_squares, observer.iterations[k - 1].sum_of_squares * (1 + 1e-5f));
      }
    }
    // lambda 0.01 is lowered tenfold before the first iteration's first trial.
    EXPECT_FLOAT_EQ(observer.iterations[0].damping, 0.001f);
    if (!at_limit) {
      EXPECT_FLOAT_EQ(observer.iterations.back().sum_of_squares, result.sum_of_squares);
    }
  }

  // Stopped at the second iteration: the estimates are that iteration's, with the whole statistics.
  Estimation run = exponential_run(data);
  RecordingObserver observer;
  observer.stop_at = 2;
  Recorder model{{}, data.model(), &observer.events};
  const EstimatorResult result = run.run(model, observer);
  EXPECT_EQ(result.exit, EstimatorExit::stopped_by_observer);
  EXPECT_EQ(observer.exit, EstimatorExit::stopped_by_observer);
  EXPECT_EQ(result.iterations, 2);
  ASSERT_EQ(observer.iterations.size(), 2u);
  // The model's last trial before the stop is the accepted step; the statistics evaluate the differences
  // at it, then nothing else.
  const std::size_t stop =
      std::find(observer.events.begin(), observer.events.end(), "iteration 2") - observer.events.begin();
  ASSERT_LT(stop + 1, observer.events.size());
  EXPECT_EQ(observer.events[stop + 1], "stopped");
  const std::size_t trial = model.calls.size() - 1 - 2;  // two differences for the intervals
  EXPECT_EQ(result.estimates, model.calls[trial]);
  EXPECT_FLOAT_EQ(result.sum_of_squares, observer.iterations[1].sum_of_squares);
  for (const char* hook : {"correlation", "normalising", "variance", "limits", "intervals", "estimates"}) {
    EXPECT_EQ(observer.count(hook), 1u) << hook;
  }
  EXPECT_EQ(observer.events.back(), "finished 2");
}

TEST(Estimate, FitsAThousandObservations) {
  const Exponential data(1000, 3.0, 0.02, 0.5, 0.01);
  Estimation run{data.y, {3.5f, 0.025f, 0.4f}, {1e-4f, 1e-4f, 1e-4f}, {1.0f, 1.0f, 1.0f}};
  RecordingObserver observer;
  Recorder model{{}, data.model()};
  const EstimatorResult result = run.run(model, observer);
  ASSERT_TRUE(result.exit == EstimatorExit::parameters_converged || result.exit == EstimatorExit::sum_converged)
      << result.message;
  EXPECT_EQ(result.degrees_of_freedom, 997);
  EXPECT_NEAR(result.estimates[0], 3.0, 0.01);
  EXPECT_NEAR(result.estimates[1], 0.02, 0.0002);
  EXPECT_NEAR(result.estimates[2], 0.5, 0.01);
  EXPECT_EQ(result.fitted.size(), 1000u);
  EXPECT_EQ(result.fitted_lower.size(), 1000u);
  EXPECT_EQ(observer.intervals_lower.size(), 1000u);
  for (const std::vector<float>& call : model.calls) ASSERT_EQ(call.size(), 3u);
}

TEST(Estimate, GivesTheFittedValuesTheTextbookIntervalsOfAStraightLine) {
  // y = a + b x: the fitted value at x_k has the standard error s sqrt(1/n + (x_k - mean)^2 / Sxx), with
  // s^2 = S / (n - 2), and the interval is twice that on either side. Difference steps of 1 % keep the
  // derivatives' rounding near 1e-5, far below the factor being checked.
  constexpr int n = 15;
  std::vector<float> x, y;
  for (int i = 0; i < n; ++i) {
    x.push_back(static_cast<float>(i + 1));
    y.push_back(static_cast<float>(2.0 + 0.5 * (i + 1) + 0.3 * (((i * 7919) % 11) - 5) / 5.0));
  }
  Recorder model{{}, [x](std::span<const float> par, std::span<float> ye) {
                   for (std::size_t i = 0; i < ye.size(); ++i)
                     ye[i] = static_cast<float>(par[0] + double(par[1]) * x[i]);
                 }};
  Estimation run{y, {1.0f, 1.0f}, {1e-2f, 1e-2f}, {}};
  RecordingObserver observer;
  const EstimatorResult result = run.run(model, observer);
  ASSERT_NE(result.exit, EstimatorExit::rejected);
  ASSERT_TRUE(result.standard_deviation.has_value());
  double mean = 0, sxx = 0, sum = 0;
  for (float xi : x) mean += xi / n;
  for (float xi : x) sxx += (xi - mean) * (xi - mean);
  for (int i = 0; i < n; ++i) {
    const double r = y[i] - (double(result.estimates[0]) + double(result.estimates[1]) * x[i]);
    sum += r * r;
  }
  const double s = std::sqrt(sum / (n - 2));
  EXPECT_NEAR(*result.standard_deviation / s, 1.0, 1e-4);
  ASSERT_EQ(result.fitted_upper.size(), static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    const double half = 2 * s * std::sqrt(1.0 / n + (x[k] - mean) * (x[k] - mean) / sxx);
    EXPECT_NEAR((double(result.fitted_upper[k]) - result.fitted[k]) / half, 1.0, 2e-3) << k;
    EXPECT_NEAR((double(result.fitted[k]) - result.fitted_lower[k]) / half, 1.0, 2e-3) << k;
  }
}

}  // namespace
}  // namespace laifit
