#include "report/haus.hpp"

#include <algorithm>
#include <vector>

#include "check/check.hpp"
#include "estimator/workspace.hpp"

namespace laifit {

namespace {

// Damping handed to the core, and the factor by which it is lowered and raised.
constexpr float kInitialDamping = 0.01f;
constexpr float kDampingFactor = 10.0f;
// Each derivative is a forward difference with a step of this proportion of the parameter's value.
constexpr float kDifferenceProportion = 1.0e-4f;

// The region of work that starts at the 1-based offset start and holds length entries; empty when the
// workspace does not hold all of it.
std::span<float> region(std::span<float> work, std::int64_t start, std::int64_t length) {
  if (length <= 0 || start < 1 || start - 1 + length > static_cast<std::int64_t>(work.size())) return {};
  return work.subspan(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(length));
}

std::size_t count(std::int32_t n) { return n > 0 ? static_cast<std::size_t>(n) : 0; }

}  // namespace

EstimatorResult haus(std::int32_t nprob, const EstimatorModel& model, std::int32_t nob, std::span<const float> yob,
                     std::int32_t npar, std::span<float> par, std::span<const float> signs, std::int32_t maxit,
                     float& errc, float errp, std::span<float> work, const ReportChannels& out) {
  const std::size_t np = count(npar), n = count(nob);
  LAIFIT_CHECK(yob.size() >= n && par.size() >= np && signs.size() >= np,
               "haus: parameter or observation array shorter than its count");
  const auto i = workspace_offsets(npar, nob);

  // The difference proportions fill the first npar entries; ind ends one past them.
  std::int64_t ind = i[0];
  for (; ind <= i[1] - 1; ++ind) {
    if (ind <= static_cast<std::int64_t>(work.size())) work[static_cast<std::size_t>(ind - 1)] = kDifferenceProportion;
  }
  out.trace.write_list({"appel de haus59", static_cast<std::int32_t>(ind), static_cast<std::int32_t>(i[1]), npar});

  // The workspace must cover every region up to t1; a shorter one is handed over empty, which the core
  // reports as a parameter error.
  const bool fits = workspace_size(npar, nob) <= static_cast<std::int64_t>(work.size());
  std::span<float> difz = region(work, i[0], npar);
  std::vector<float> printed_difz;
  if (np > 0 && difz.empty()) {
    // Too short even for the proportions: they are still printed before the rejection.
    printed_difz.assign(np, kDifferenceProportion);
    difz = printed_difz;
  }
  estimator_detail::EstimatorWorkspace regions{};
  if (fits) {
    regions = estimator_detail::EstimatorWorkspace{
        region(work, i[1], npar),          region(work, i[2], npar),        region(work, i[3], npar),
        region(work, i[4], npar),          region(work, i[5], npar),        region(work, i[6], nob),
        region(work, i[7], nob),           region(work, i[8], i[9] - i[8]), region(work, i[9], i[10] - i[9]),
        region(work, i[10], i[11] - i[10])};
  }

  const EstimatorSettings settings{errc, errp, maxit, kInitialDamping, kDampingFactor};
  const EstimatorProblem problem{yob.first(n), par.first(np), difz, signs.first(np)};
  LegacyReport report(out, nprob);
  // The legacy entry takes no more observations than the run's table holds.
  EstimatorResult result =
      estimator_detail::estimate(model, problem, settings, report, regions, static_cast<std::size_t>(kMaxObservations));
  errc = result.sum_tolerance;
  if (result.exit != EstimatorExit::rejected) std::copy(result.estimates.begin(), result.estimates.end(), par.begin());
  return result;
}

void keep_fit_figures(const EstimatorResult& fit, Somcarre& somcarre) {
  if (fit.exit == EstimatorExit::rejected) return;
  somcarre.sumc = fit.sum_of_squares;
  somcarre.idf = fit.degrees_of_freedom;
  if (fit.standard_deviation) somcarre.sdev = *fit.standard_deviation;
}

}  // namespace laifit
