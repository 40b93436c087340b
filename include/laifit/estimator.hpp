#pragma once
// A Marquardt least-squares estimator for any model given as a callable.
//
// The estimator finds the parameters th that minimise S(th) = sum (y(i) - f(i; th))^2, with forward-
// difference derivatives (a step of difference_steps(j) * th(j) for parameter j), the normal equations
// scaled to a unit diagonal and damped by lambda, and optional sign constraints. It stores every real in
// single precision and evaluates each formula in double, so that its results are the same bits on every
// build. It prints nothing: progress reaches the caller through an EstimatorObserver.
//
//   const laifit::EstimatorResult fit = laifit::estimate(
//       model, {.observed = y, .start = start, .difference_steps = steps},
//       {.sum_tolerance = 1e-6f, .parameter_tolerance = 1e-6f, .max_iterations = 200}, observer);

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace laifit {

// The model: writes the fitted value of every observation (fitted.size() of them) for the parameters
// par (par.size() of them).
using EstimatorModel = std::function<void(std::span<const float> par, std::span<float> fitted)>;

// The bounds of the estimator itself; the number of observations has none but the problem's own.
struct EstimatorLimits {
  static constexpr std::int32_t max_parameters = 50;
  static constexpr std::int32_t max_iterations = 999;
  // Failed trials in one iteration before the estimator gives up.
  static constexpr std::int32_t max_failed_trials = 36;
};

// What to fit: start.size() parameters to observed.size() observations.
struct EstimatorProblem {
  std::span<const float> observed = {};          // the observed values y
  std::span<const float> start = {};             // the parameters' starting values, none of them zero
  std::span<const float> difference_steps = {};  // per parameter, the difference step as a proportion in (-1, 1)
  // Per parameter, positive: that parameter may not change sign. Empty: every parameter may.
  std::span<const float> keep_sign = {};
};

struct EstimatorSettings {
  // Tolerance on the relative change of the sum of squares (negative: taken as 0, no such test); a trial
  // whose sum grows by at most this proportion is still accepted.
  float sum_tolerance = 1.0e-5f;
  // Tolerance on the relative change of every parameter (<= 0: no such test).
  float parameter_tolerance = 1.0e-5f;
  std::int32_t max_iterations = 50;  // 1 to EstimatorLimits::max_iterations
  float initial_damping = 0.01f;     // lambda, divided by damping_factor before the first iteration
  float damping_factor = 10.0f;      // by which lambda is lowered and raised, above 1
};

enum class EstimatorExit {
  rejected,              // the problem or the settings are out of range: nothing estimated
  parameters_converged,  // every parameter changed by at most parameter_tolerance relatively
  sum_converged,         // the sum of squares changed by at most sum_tolerance relatively
  iteration_limit,       // max_iterations iterations done without a stop
  no_reduction,          // max_failed_trials failed trials in one iteration
  stopped_by_observer,   // the observer's iteration hook asked to stop
};

// Why a problem was rejected.
enum class RejectionReason {
  none,                          // not rejected
  no_parameters,                 // start is empty
  too_many_parameters,           // more than EstimatorLimits::max_parameters
  too_few_observations,          // fewer observations than parameters
  too_many_observations,         // more than the entry point takes
  difference_step_out_of_range,  // a difference step not inside (-1, 1)
  zero_start,                    // a starting value of zero, which leaves no difference step
  iteration_limit_out_of_range,  // max_iterations not in 1 to EstimatorLimits::max_iterations
  damping_factor_too_small,      // damping_factor not above 1
  arrays_too_short,              // difference_steps (or a non-empty keep_sign) shorter than start
};

struct EstimatorResult {
  EstimatorExit exit = EstimatorExit::rejected;
  RejectionReason rejection = RejectionReason::none;
  std::string message;                  // after a rejection, what was out of range, in words
  std::int32_t iterations = 0;          // the iteration counter (0 after a rejection, max_iterations + 1 at the limit)
  float sum_tolerance = 0.0f;           // the tolerance used (0.0 when a negative one was given)
  float sum_of_squares = 0.0f;          // final sum of squares, sum (f(i) - y(i))^2
  std::int32_t degrees_of_freedom = 0;  // observations - parameters
  std::optional<float> standard_deviation;        // of the residuals, when the degrees of freedom are not 0
  std::vector<float> estimates;                   // the parameters (the starting values after a rejection)
  std::vector<float> correlation;                 // parameters x parameters, column by column
  std::vector<float> normalising;                 // square roots of the inverse normal matrix's diagonal
  std::vector<float> upper_limits, lower_limits;  // th +- 2 e standard_deviation, when it exists
  std::vector<float> fitted;                      // f at the end of the iteration
  std::vector<float> fitted_upper, fitted_lower;  // f +- the half-widths, when standard_deviation exists
};

// One iteration whose step has been accepted, before the convergence tests.
struct IterationSummary {
  std::int32_t iteration = 0;         // from 1
  float sum_of_squares = 0.0f;        // at the accepted parameters
  float damping = 0.0f;               // lambda of the accepted step
  float step_length = 1.0f;           // the part of the damped step taken: 1, or halved after each halving trial
  std::int32_t trials = 0;            // trials of this iteration, the accepted one included
  std::span<const float> parameters;  // the accepted parameters, valid during the call
};

enum class ObserverAction { proceed, stop };

// Called by the estimator as it goes; the model's own calls fall between the hooks. Every hook does
// nothing unless overridden.
class EstimatorObserver {
 public:
  virtual ~EstimatorObserver() = default;
  // Before the checks: the problem as given.
  virtual void started(const EstimatorProblem&) {}
  // The problem is out of range, for the reason given and as the message says; finished() follows.
  virtual void rejected(RejectionReason, std::string_view /*message*/) {}
  // Just before the model is called with the starting values.
  virtual void evaluating_start() {}
  virtual void initial_sum(float /*sum_of_squares*/) {}
  // Once per iteration when its step has been accepted; stop ends the estimation with the exit
  // stopped_by_observer and the statistics at the accepted parameters.
  virtual ObserverAction iteration(const IterationSummary&) { return ObserverAction::proceed; }
  // The iteration has ended by exit (not rejected); the settings as used.
  virtual void stopped(EstimatorExit, const EstimatorSettings&) {}
  // The correlation matrix (parameters x parameters, column by column) and the normalising elements.
  virtual void correlation(std::span<const float> /*matrix*/, std::int32_t /*parameters*/) {}
  virtual void normalising(std::span<const float> /*e*/) {}
  // Only when the degrees of freedom are not zero: the residual variance, then the parameters' limits.
  virtual void variance(float /*variance*/, std::int32_t /*degrees_of_freedom*/) {}
  virtual void limits(std::span<const float> /*upper*/, std::span<const float> /*lower*/) {}
  // After the differences have been evaluated again at the estimates: the fitted values' intervals.
  virtual void intervals(std::span<const float> /*upper*/, std::span<const float> /*lower*/) {}
  // The estimates and the final sum of squares.
  virtual void estimates(std::span<const float> /*th*/, float /*sum_of_squares*/) {}
  // Last call of every estimation, also after a rejection.
  virtual void finished(std::int32_t /*iterations*/) {}
};

// Runs one estimation.
EstimatorResult estimate(const EstimatorModel& model, const EstimatorProblem& problem,
                         const EstimatorSettings& settings, EstimatorObserver& observer);

}  // namespace laifit
