#pragma once
// The estimator in working arrays the caller provides, for the legacy entry that cuts them from one
// workspace and bounds the number of observations itself. Not installed.

#include <cstddef>
#include <span>

#include "laifit/estimator.hpp"

namespace laifit::estimator_detail {

// The core's working arrays (np: q, p, e, phi, tb; nob: f, r; np * np: a, d; nob * np: delz). Arrays
// shorter than that make the estimator reject the problem. At the end f holds the fitted values, r their
// upper bounds, d the inverse of the normal matrix, a the correlation matrix, e the normalising elements,
// tb the lower limits of the parameters.
struct EstimatorWorkspace {
  std::span<float> q, p, e, phi, tb, f, r, a, d, delz;
};

// Runs one estimation in the caller's arrays; more than max_observations observations are rejected.
EstimatorResult estimate(const EstimatorModel& model, const EstimatorProblem& problem,
                         const EstimatorSettings& settings, EstimatorObserver& observer, const EstimatorWorkspace& work,
                         std::size_t max_observations);

}  // namespace laifit::estimator_detail
