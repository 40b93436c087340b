#pragma once
// A Marquardt least-squares estimator for any model given as a callable.
//
// The estimator finds the parameters th that minimise S(th) = sum (y(i) - f(i; th))^2, with forward-
// difference derivatives (a step of difz(j) * th(j) for parameter j), the normal equations scaled to a
// unit diagonal and damped by lambda, and optional sign constraints. It stores every real in single
// precision and evaluates each formula in double, so that its results are the same bits on every build.
// It prints nothing: progress reaches the caller through an EstimatorObserver, at the points where a
// report would write its blocks, in the order of those blocks.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace laifit {

// The model: writes the fitted value of every observation (fitted.size() of them) for the parameters
// par (par.size() of them).
using EstimatorModel = std::function<void(std::span<const float> par, std::span<float> fitted)>;

// The fixed sizes the estimator works within.
struct EstimatorLimits {
  static constexpr std::int32_t max_parameters = 50;
  static constexpr std::int32_t max_iterations = 999;
  // The table of the fitted values' lower bounds holds this many observations.
  static constexpr std::int32_t max_observations = 366;
  // Failed trials in one iteration before the estimator gives up.
  static constexpr std::int32_t max_failed_trials = 36;
};

// What to fit. np = start.size() parameters, nob = y.size() observations; difz and signs hold at least np
// entries.
struct EstimatorProblem {
  std::int32_t nprob = 1;            // problem number, shown by a report
  std::span<const float> y;          // observed values
  std::span<const float> start;      // starting values
  std::span<const float> difz;       // difference proportions, each in (-1, 1)
  std::span<const float> signs;      // > 0: that parameter may not change sign
};

struct EstimatorSettings {
  float eps1 = 1.0e-5f;  // tolerance on the relative change of the sum of squares (negative: taken as 0)
  float eps2 = 1.0e-5f;  // tolerance on the relative change of every parameter (<= 0: no such test)
  std::int32_t mit = 50;   // iteration limit, 1 to max_iterations
  float flam = 0.01f;      // initial damping lambda (divided by fnu before the first iteration)
  float fnu = 10.0f;       // factor by which lambda is lowered and raised, above 1
};

enum class EstimatorExit {
  rejected,              // arguments out of range: nothing estimated
  parameters_converged,  // every parameter changed by at most eps2 relatively
  sum_converged,         // the sum of squares changed by at most eps1 relatively
  iteration_limit,       // mit iterations done without a stop
  no_reduction,          // max_failed_trials failed trials in one iteration
};

// The core's working arrays, for a caller that provides its own storage (np: q, p, e, phi, tb; nob: f,
// r; np * np: a, d; nob * np: delz). Arrays shorter than that make the estimator reject the problem. At
// the end f holds the fitted values, r their upper bounds, d the inverse of the normal matrix, a the
// correlation matrix, e the normalising elements, tb the lower limits of the parameters.
struct EstimatorWorkspace {
  std::span<float> q, p, e, phi, tb, f, r, a, d, delz;
};

struct EstimatorResult {
  EstimatorExit exit = EstimatorExit::rejected;
  std::int32_t iterations = 0;  // the iteration counter (0 after a rejection, mit + 1 at the limit)
  float eps1 = 0.0f;            // the sum-of-squares tolerance used (0.0 when a negative one was given)
  float sumc = 0.0f;            // final sum of squares, sum (f(i) - y(i))^2
  std::int32_t idf = 0;         // degrees of freedom, nob - np
  std::optional<float> sdev;    // residual standard deviation, when idf is not 0
  std::vector<float> estimates;    // the parameters (the starting values after a rejection)
  std::vector<float> correlation;  // np x np, column by column
  std::vector<float> normalising;  // square roots of the inverse normal matrix's diagonal
  std::vector<float> upper_limits, lower_limits;  // th +- 2 e sdev, when sdev exists
  std::vector<float> fitted;                       // f at the end of the iteration
  std::vector<float> fitted_upper, fitted_lower;   // f +- the half-widths, when sdev exists
};

// Called by the estimator at each point where a report writes a block; the model's own calls fall between
// them. Every hook does nothing unless overridden.
class EstimatorObserver {
 public:
  virtual ~EstimatorObserver() = default;
  // Before the checks: the problem as given; auxiliary = 5 np + 2 nob + 2 np^2 + nob np work entries.
  virtual void started(const EstimatorProblem&, std::int32_t /*auxiliary*/) {}
  // The arguments are out of range; finished() follows.
  virtual void rejected() {}
  // Just before the model is called with the starting values.
  virtual void evaluating_start() {}
  virtual void initial_sum(float /*ssq*/) {}
  // The iteration has ended by exit (not rejected); the settings as used.
  virtual void stopped(EstimatorExit, const EstimatorSettings&) {}
  // The correlation matrix (np x np, column by column) and the normalising elements.
  virtual void correlation(std::span<const float> /*matrix*/, std::int32_t /*np*/) {}
  virtual void normalising(std::span<const float> /*e*/) {}
  // Only when the degrees of freedom are not zero: the residual variance, then the parameters' limits.
  virtual void variance(float /*variance*/, std::int32_t /*idf*/) {}
  virtual void limits(std::span<const float> /*upper*/, std::span<const float> /*lower*/) {}
  // After the differences have been evaluated again at the estimates: the fitted values' intervals.
  virtual void intervals(std::span<const float> /*upper*/, std::span<const float> /*lower*/) {}
  // The estimates and the final sum of squares.
  virtual void estimates(std::span<const float> /*th*/, float /*sumc*/) {}
  // Last call of every estimation, also after a rejection.
  virtual void finished(std::int32_t /*nprob*/, std::int32_t /*iterations*/) {}
};

// Runs one estimation in working arrays of its own.
EstimatorResult estimate(const EstimatorModel& model, const EstimatorProblem& problem,
                         const EstimatorSettings& settings, EstimatorObserver& observer);
// The same in the caller's working arrays.
EstimatorResult estimate(const EstimatorModel& model, const EstimatorProblem& problem,
                         const EstimatorSettings& settings, EstimatorObserver& observer,
                         const EstimatorWorkspace& work);

}  // namespace laifit
