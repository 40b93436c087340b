#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <type_traits>

#include "estimator/matin.hpp"
#include "estimator/workspace.hpp"
#include "float_constants.hpp"
#include "laifit/estimator.hpp"
#include "numeric/acos.hpp"
#include "numeric/store.hpp"

namespace laifit {

namespace {

using estimator_detail::EstimatorWorkspace;
using estimator_detail::kDegreesPerRadian;
using estimator_detail::kTiny;
using estimator_detail::kUnderflowGuard;
using numeric::store;

// Largest angle, in degrees, between the scaled step and the scaled gradient for which a failed trial
// halves the step instead of raising the damping.
constexpr double kAngleThreshold = 30.0;
// The most observations or parameters the counters hold.
constexpr std::size_t kMaxCount = std::numeric_limits<std::int32_t>::max();
// Entries of the lower triangle of the normal matrix, diagonal included.
constexpr std::size_t kMaxPairs = EstimatorLimits::max_parameters * (EstimatorLimits::max_parameters + 1) / 2;

// max(x, floor) where x may be undefined: an undefined x gives the floor.
double at_least(double x, double floor) { return x > floor ? x : floor; }

class Core {
 public:
  Core(const EstimatorModel& model, const EstimatorProblem& problem, const EstimatorSettings& settings,
       EstimatorObserver& observer, const EstimatorWorkspace& work, std::size_t max_observations)
      : model_(model),
        problem_(problem),
        settings_(settings),
        observer_(observer),
        w_(work),
        max_observations_(max_observations),
        nob_(static_cast<std::int32_t>(std::min<std::size_t>(problem.observed.size(), kMaxCount))),
        np_(static_cast<std::int32_t>(std::min<std::size_t>(problem.start.size(), kMaxCount))),
        nobs_(problem.observed.size()),
        npar_(problem.start.size()),
        y_(problem.observed),
        difz_(problem.difference_steps),
        signs_(problem.keep_sign),
        th_(problem.start.begin(), problem.start.end()) {}

  EstimatorResult run();

 private:
  enum class Phase { iteration_start, scaled_system, trial, failed_trial, accepted, finished };

  // The first reason to reject the problem, with its message; none when it is accepted.
  RejectionReason check(std::string& message) const;
  float evaluate(std::span<const float> par);
  void differences();
  void normal_matrix();
  void scaled_system();
  void angle();
  void trial_step();
  bool signs_kept() const;
  bool parameters_converged() const;
  bool sum_converged() const;
  EstimatorExit iterate();
  void statistics(EstimatorResult& result);

  float& at(std::span<float> m, std::size_t i, std::size_t j) const { return m[j * npar_ + i]; }
  float& delz(std::size_t i, std::size_t j) const { return w_.delz[j * nobs_ + i]; }

  const EstimatorModel& model_;
  const EstimatorProblem& problem_;
  EstimatorSettings settings_;
  EstimatorObserver& observer_;
  const EstimatorWorkspace& w_;
  std::size_t max_observations_;
  std::int32_t nob_;
  std::int32_t np_;
  std::size_t nobs_;
  std::size_t npar_;
  std::span<const float> y_;
  std::span<const float> difz_;
  std::span<const float> signs_;
  std::vector<float> th_;  // the accepted parameters

  std::int32_t nit_ = 0;
  std::int32_t intcnt_ = 0;
  float ga_ = 0.0f;           // damping lambda
  float ssq_ = 0.0f;          // sum of squares at the accepted parameters
  float sumb_ = 0.0f;         // sum of squares at the latest evaluated trial
  float step_ = 1.0f;         // length factor of the trial step
  float gamma_ = 0.0f;        // angle between scaled step and scaled gradient, degrees
  std::vector<float> delz1_;  // the model's values at one parameter's difference step
  std::vector<float> lower_;  // lower bounds of the fitted values
};

RejectionReason Core::check(std::string& message) const {
  const auto count = [](std::size_t n, const char* what) { return std::to_string(n) + " " + what; };
  if (npar_ < 1) {
    message = "no parameter to estimate";
    return RejectionReason::no_parameters;
  }
  if (npar_ > std::size_t{EstimatorLimits::max_parameters}) {
    message = count(npar_, "parameters, more than the ") + std::to_string(EstimatorLimits::max_parameters) +
              " the estimator takes";
    return RejectionReason::too_many_parameters;
  }
  if (nobs_ < npar_) {
    message = count(nobs_, "observations for ") + count(npar_, "parameters");
    return RejectionReason::too_few_observations;
  }
  if (nobs_ > max_observations_) {
    message = count(nobs_, "observations, more than the ") + std::to_string(max_observations_) + " taken";
    return RejectionReason::too_many_observations;
  }
  if (settings_.max_iterations < 1 || settings_.max_iterations > EstimatorLimits::max_iterations) {
    message = "an iteration limit of " + std::to_string(settings_.max_iterations) + ", not in 1 to " +
              std::to_string(EstimatorLimits::max_iterations);
    return RejectionReason::iteration_limit_out_of_range;
  }
  if (double(settings_.damping_factor) - 1.0 <= 0.0) {
    message = "a damping factor not above 1";
    return RejectionReason::damping_factor_too_small;
  }
  if (difz_.size() < npar_ || (!signs_.empty() && signs_.size() < npar_)) {
    message = difz_.size() < npar_ ? count(difz_.size(), "difference steps for ") + count(npar_, "parameters")
                                   : count(signs_.size(), "sign switches for ") + count(npar_, "parameters");
    return RejectionReason::arrays_too_short;
  }
  for (std::size_t i = 0; i < npar_; ++i) {
    // A proportion of 1 or more, or a zero starting value, leaves no usable difference step.
    const double margin = 1.0 - std::fabs(double(difz_[i]));
    const double size = std::fabs(double(th_[i]));
    if ((size < margin ? size : margin) <= 0.0) {
      const std::string which = "parameter " + std::to_string(i + 1);
      if (margin <= 0.0) {
        message = which + ": difference step not inside (-1, 1)";
        return RejectionReason::difference_step_out_of_range;
      }
      message = which + ": starting value zero";
      return RejectionReason::zero_start;
    }
  }
  // The working arrays bound what can be processed.
  const auto np2 = npar_ * npar_;
  bool short_region = false;
  for (auto region : {w_.q, w_.p, w_.e, w_.phi, w_.tb}) short_region = short_region || region.size() < npar_;
  if (short_region || w_.f.size() < nobs_ || w_.r.size() < nobs_ || w_.a.size() < np2 || w_.d.size() < np2 ||
      w_.delz.size() < nobs_ * npar_) {
    message = "working arrays too short for " + count(nobs_, "observations and ") + count(npar_, "parameters");
    return RejectionReason::arrays_too_short;
  }
  return RejectionReason::none;
}

// The model at par into f, the residuals into r; returns their sum of squares.
float Core::evaluate(std::span<const float> par) {
  model_(par.first(npar_), w_.f.first(nobs_));
  float sum = 0.0f;
  for (std::size_t i = 0; i < nobs_; ++i) {
    w_.r[i] = store(double(y_[i]) - w_.f[i]);
    sum = store(double(sum) + double(w_.r[i]) * w_.r[i]);
  }
  return sum;
}

// Column j of delz: f(th + p(j) e_j) - f(th), with p(j) = difz(j) th(j); q = J'r with J = delz / p.
void Core::differences() {
  for (std::size_t j = 0; j < npar_; ++j) {
    const float kept = th_[j];
    w_.p[j] = store(double(difz_[j]) * th_[j]);
    th_[j] = store(double(th_[j]) + w_.p[j]);
    model_(th_, std::span<float>(delz1_).first(nobs_));
    for (std::size_t i = 0; i < nobs_; ++i) delz(i, j) = store(double(delz1_[i]) - w_.f[i]);
    th_[j] = kept;
  }
  // Each sum of q is rounded to float after every term, so its terms wait for each other: the sums
  // advance together, observation by observation, each with its terms in the order it has alone.
  std::array<float, EstimatorLimits::max_parameters> q{};
  for (std::size_t i = 0; i < nobs_; ++i) {
    const double r = w_.r[i];
    for (std::size_t j = 0; j < npar_; ++j) q[j] = store(double(q[j]) + double(delz(i, j)) * r);
  }
  for (std::size_t j = 0; j < npar_; ++j) w_.q[j] = store(double(q[j]) / w_.p[j]);
}

// d = J'J, and its diagonal's square roots as scale factors.
void Core::normal_matrix() {
  // Each running sum is rounded to float after every term, so one sum's terms wait for each other: all
  // sums advance together, observation by observation, each with its terms in the same order as alone.
  // For the common parameter counts the count is a constant, so that the loops over the sums unroll.
  std::array<float, kMaxPairs> sums{};
  const auto accumulate = [&]<std::size_t kFixed>(std::integral_constant<std::size_t, kFixed>) {
    const std::size_t np = kFixed != 0 ? kFixed : npar_;
    std::array<float, kFixed != 0 ? kFixed*(kFixed + 1) / 2 : kMaxPairs> s{};
    std::array<const float*, EstimatorLimits::max_parameters> column{};
    for (std::size_t i = 0; i < np; ++i) column[i] = &delz(0, i);
    for (std::size_t k = 0; k < nobs_; ++k) {
      std::size_t pair = 0;
      for (std::size_t i = 0; i < np; ++i) {
        const double di = column[i][k];
        for (std::size_t j = 0; j <= i; ++j, ++pair) s[pair] = store(double(s[pair]) + di * column[j][k]);
      }
    }
    std::copy(s.begin(), s.end(), sums.begin());
  };
  switch (npar_) {
    case 3: accumulate(std::integral_constant<std::size_t, 3>{}); break;
    case 4: accumulate(std::integral_constant<std::size_t, 4>{}); break;
    case 5: accumulate(std::integral_constant<std::size_t, 5>{}); break;
    default: accumulate(std::integral_constant<std::size_t, 0>{}); break;
  }
  for (std::size_t i = 0, pair = 0; i < npar_; ++i) {
    for (std::size_t j = 0; j <= i; ++j, ++pair) {
      at(w_.d, i, j) = at(w_.d, j, i) = store(double(sums[pair]) / (double(w_.p[i]) * w_.p[j]));
    }
  }
  for (std::size_t i = 0; i < npar_; ++i) {
    w_.e[i] = store(at_least(std::sqrt(double(at(w_.d, i, i))), double(kUnderflowGuard)));
  }
}

// Solves (D^-1 d D^-1 + lambda I) p = D^-1 q for the scaled step, D = diag(e); phi keeps D^-1 q.
void Core::scaled_system() {
  for (std::size_t i = 0; i < npar_; ++i) {
    for (std::size_t j = 0; j <= i; ++j) {
      at(w_.a, i, j) = at(w_.a, j, i) = store(double(at(w_.d, i, j)) / (double(w_.e[i]) * w_.e[j]));
    }
  }
  for (std::size_t i = 0; i < npar_; ++i) {
    w_.p[i] = store(double(w_.q[i]) / w_.e[i]);
    w_.phi[i] = w_.p[i];
    at(w_.a, i, i) = store(double(at(w_.a, i, i)) + ga_);
  }
  float det = 0.0f;
  matin(w_.a, np_, w_.p, 1, det);
}

// The angle between the scaled step and the scaled gradient; the step's direction is kept in phi. The
// cosine divides by the product of the squared lengths, not by the product of the lengths, as the
// estimator always has.
void Core::angle() {
  step_ = 1.0f;
  float dot = 0.0f, step_length2 = 0.0f, gradient_length2 = 0.0f;  // p.phi, p.p and phi.phi
  for (std::size_t i = 0; i < npar_; ++i) {
    dot = store(double(dot) + double(w_.p[i]) * w_.phi[i]);
    step_length2 = store(double(step_length2) + double(w_.p[i]) * w_.p[i]);
    gradient_length2 = store(double(gradient_length2) + double(w_.phi[i]) * w_.phi[i]);
  }
  for (std::size_t i = 0; i < npar_; ++i) w_.phi[i] = w_.p[i];
  float cosine = store(double(dot) / at_least(double(step_length2) * gradient_length2, double(kUnderflowGuard)));
  if (double(cosine) > 1.0) cosine = 1.0f;  // an undefined cosine stays undefined
  gamma_ = store(numeric::acos_cr(double(cosine)) * double(kDegreesPerRadian));
}

void Core::trial_step() {
  for (std::size_t i = 0; i < npar_; ++i) {
    w_.p[i] = store(double(w_.phi[i]) * step_ / w_.e[i]);
    w_.tb[i] = store(double(th_[i]) + w_.p[i]);
  }
}

// A parameter whose sign switch is positive may not cross zero; -0.0 counts as negative.
bool Core::signs_kept() const {
  if (signs_.empty()) return true;
  for (std::size_t i = 0; i < npar_; ++i) {
    if (double(signs_[i]) > 0.0 && std::signbit(th_[i]) != std::signbit(w_.tb[i])) return false;
  }
  return true;
}

bool Core::parameters_converged() const {
  for (std::size_t i = 0; i < npar_; ++i) {
    if (!(std::fabs(double(w_.p[i])) <=
          double(settings_.parameter_tolerance) * (std::fabs(double(th_[i])) + double(kTiny)))) {
      return false;
    }
  }
  return true;
}

bool Core::sum_converged() const {
  return std::fabs(double(sumb_) - double(ssq_)) <= double(settings_.sum_tolerance) * double(ssq_);
}

// The Marquardt iteration from the initial evaluation to one of its exits.
EstimatorExit Core::iterate() {
  const bool parameter_test = double(settings_.parameter_tolerance) > 0.0;
  const bool sum_test = double(settings_.sum_tolerance) > 0.0;
  const double fnu = settings_.damping_factor;
  EstimatorExit exit = EstimatorExit::iteration_limit;
  Phase phase = Phase::iteration_start;
  while (phase != Phase::finished) {
    switch (phase) {
      case Phase::iteration_start:
        ga_ = store(double(ga_) / fnu);
        intcnt_ = 0;
        differences();
        normal_matrix();
        phase = Phase::scaled_system;
        break;
      case Phase::scaled_system:
        scaled_system();
        angle();
        phase = Phase::trial;
        break;
      case Phase::trial:
        trial_step();
        phase = Phase::failed_trial;
        if (!signs_kept()) break;
        sumb_ = evaluate(w_.tb);
        // A slight increase, up to the tolerance, still counts as progress.
        if (double(sumb_) <= (1.0 + double(settings_.sum_tolerance)) * double(ssq_)) {
          std::copy_n(w_.tb.begin(), npar_, th_.begin());
          phase = Phase::accepted;
        }
        break;
      case Phase::failed_trial: {
        // lambda grows by fnu after a failed trial whose step points more than 30 degrees from the
        // gradient direction (or when lambda is the smaller); otherwise the step is halved along the
        // same direction. An undefined angle compares as lambda.
        const double excess = double(gamma_) - kAngleThreshold;
        const double v = excess < double(ga_) ? excess : double(ga_);
        if (v > 0.0) {
          ga_ = store(double(ga_) * fnu);
          phase = Phase::scaled_system;
        } else {
          step_ = store(double(step_) / 2.0);
          phase = Phase::trial;
        }
        intcnt_ += 1;
        if (intcnt_ >= EstimatorLimits::max_failed_trials) {
          exit = EstimatorExit::no_reduction;
          phase = Phase::finished;
        }
        break;
      }
      case Phase::accepted:
        if (observer_.iteration(IterationSummary{nit_, sumb_, ga_, step_, intcnt_ + 1, th_}) == ObserverAction::stop) {
          exit = EstimatorExit::stopped_by_observer;
          phase = Phase::finished;
        } else if (parameter_test && parameters_converged()) {
          exit = EstimatorExit::parameters_converged;
          phase = Phase::finished;
        } else if (sum_test && sum_converged()) {
          exit = EstimatorExit::sum_converged;
          phase = Phase::finished;
        } else {
          ssq_ = sumb_;
          nit_ += 1;
          phase = nit_ <= settings_.max_iterations ? Phase::iteration_start : Phase::finished;
        }
        break;
      case Phase::finished: break;
    }
  }
  return exit;
}

EstimatorResult Core::run() {
  EstimatorResult result;
  observer_.started(problem_);
  result.sum_tolerance = settings_.sum_tolerance;
  result.rejection = check(result.message);
  if (result.rejection != RejectionReason::none) {
    observer_.rejected(result.rejection, result.message);
    observer_.finished(nit_);
    result.estimates = th_;
    return result;
  }
  delz1_.resize(nobs_);
  lower_.resize(nobs_);
  ga_ = settings_.initial_damping;
  nit_ = 1;
  if (double(settings_.sum_tolerance) < 0.0) settings_.sum_tolerance = 0.0f;
  result.sum_tolerance = settings_.sum_tolerance;

  observer_.evaluating_start();
  ssq_ = evaluate(th_);
  // Until a trial is evaluated, the last evaluation is the initial one.
  sumb_ = ssq_;
  observer_.initial_sum(ssq_);

  result.exit = iterate();
  observer_.stopped(result.exit, settings_);
  statistics(result);
  result.iterations = nit_;
  observer_.finished(nit_);
  return result;
}

void Core::statistics(EstimatorResult& result) {
  ssq_ = sumb_;
  const std::int32_t idf = nob_ - np_;

  float det = 0.0f;
  matin(w_.d, np_, w_.p, 0, det);
  for (std::size_t i = 0; i < npar_; ++i) {
    w_.e[i] = store(std::sqrt(at_least(double(at(w_.d, i, i)), double(kUnderflowGuard))));
  }
  for (std::size_t i = 0; i < npar_; ++i) {
    for (std::size_t j = i; j < npar_; ++j) {
      at(w_.a, j, i) = at(w_.a, i, j) = store(double(at(w_.d, j, i)) / (double(w_.e[i]) * w_.e[j]));
    }
  }
  const std::span<const float> correlation = w_.a.first(npar_ * npar_);
  const std::span<const float> e = w_.e.first(npar_);
  observer_.correlation(correlation, np_);
  observer_.normalising(e);
  result.correlation.assign(correlation.begin(), correlation.end());
  result.normalising.assign(e.begin(), e.end());

  if (idf != 0) {
    const float variance = store(double(ssq_) / double(idf));
    observer_.variance(variance, idf);
    const float sdev = store(std::sqrt(double(variance)));
    result.standard_deviation = sdev;
    // Individual limits under the linear hypothesis: th +- 2 e sdev.
    for (std::size_t i = 0; i < npar_; ++i) {
      w_.p[i] = store(double(th_[i]) + 2.0 * w_.e[i] * sdev);
      w_.tb[i] = store(double(th_[i]) - 2.0 * w_.e[i] * sdev);
    }
    const std::span<const float> upper = w_.p.first(npar_), lower = w_.tb.first(npar_);
    observer_.limits(upper, lower);
    result.upper_limits.assign(upper.begin(), upper.end());
    result.lower_limits.assign(lower.begin(), lower.end());

    // Intervals of the fitted values: f +- 2 sdev sqrt|g' d^-1 g|, with g the model's gradient at each
    // observation, from the differences evaluated again at the final parameters.
    differences();
    for (std::size_t k = 0; k < nobs_; ++k) {
      float v = 0.0f;
      for (std::size_t i = 0; i < npar_; ++i) {
        for (std::size_t j = 0; j < npar_; ++j) {
          v = store(double(v) +
                    double(delz(k, i)) * delz(k, j) * at(w_.d, i, j) / (double(difz_[i]) * th_[i] * difz_[j] * th_[j]));
        }
      }
      v = std::fabs(v);
      const float h = store(2.0 * std::sqrt(double(v)) * sdev);
      w_.r[k] = store(double(w_.f[k]) + h);
      lower_[k] = store(double(w_.f[k]) - h);
    }
    const std::span<const float> fitted_upper = w_.r.first(nobs_);
    const std::span<const float> fitted_lower = std::span<const float>(lower_).first(nobs_);
    observer_.intervals(fitted_upper, fitted_lower);
    result.fitted_upper.assign(fitted_upper.begin(), fitted_upper.end());
    result.fitted_lower.assign(fitted_lower.begin(), fitted_lower.end());
  }

  float sumc = 0.0f;
  for (std::size_t i = 0; i < nobs_; ++i) {
    const double residual = double(w_.f[i]) - y_[i];
    sumc = store(double(sumc) + residual * residual);
  }
  observer_.estimates(th_, sumc);
  result.sum_of_squares = sumc;
  result.degrees_of_freedom = idf;
  result.estimates = th_;
  result.fitted.assign(w_.f.begin(), w_.f.begin() + static_cast<std::ptrdiff_t>(nobs_));
}

}  // namespace

EstimatorResult estimator_detail::estimate(const EstimatorModel& model, const EstimatorProblem& problem,
                                           const EstimatorSettings& settings, EstimatorObserver& observer,
                                           const EstimatorWorkspace& work, std::size_t max_observations) {
  return Core(model, problem, settings, observer, work, max_observations).run();
}

EstimatorResult estimate(const EstimatorModel& model, const EstimatorProblem& problem,
                         const EstimatorSettings& settings, EstimatorObserver& observer) {
  std::size_t np = problem.start.size(), nob = problem.observed.size();
  // Sized for the problem as given; a problem beyond the limits gets no arrays, and the checks reject it.
  if (np > std::size_t{EstimatorLimits::max_parameters} || nob > kMaxCount || nob < np) np = nob = 0;
  std::vector<float> storage(5 * np + 2 * nob + 2 * np * np + nob * np);
  std::span<float> rest(storage);
  auto take = [&](std::size_t n) {
    const std::span<float> region = rest.first(n);
    rest = rest.subspan(n);
    return region;
  };
  EstimatorWorkspace work;
  for (std::span<float>* region : {&work.q, &work.p, &work.e, &work.phi, &work.tb}) *region = take(np);
  work.f = take(nob);
  work.r = take(nob);
  work.a = take(np * np);
  work.d = take(np * np);
  work.delz = take(nob * np);
  return Core(model, problem, settings, observer, work, kMaxCount).run();
}

}  // namespace laifit
