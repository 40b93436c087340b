#include "estimator/haus.hpp"

#include <vector>

namespace laifit {

namespace {

// Damping handed to the core, and the factor by which it is lowered and raised.
constexpr float kInitialDamping = 0.01f;
constexpr float kDampingFactor = 10.0f;
// Each derivative is a forward difference with a step of this proportion of the parameter's value.
constexpr float kDifferenceProportion = 1.0e-4f;

// The region of work that starts at the 1-based offset start and holds length entries; empty when the
// workspace does not hold all of it (the core then rejects the problem).
std::span<float> region(std::span<float> work, std::int64_t start, std::int64_t length) {
  if (length <= 0 || start < 1 || start - 1 + length > static_cast<std::int64_t>(work.size())) return {};
  return work.subspan(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(length));
}

}  // namespace

std::array<std::int64_t, 13> workspace_offsets(std::int32_t npar, std::int32_t nob) {
  const std::int64_t np = npar, n = nob, np2 = np * np;
  std::array<std::int64_t, 13> i{};
  i[0] = 1;              // difz
  i[1] = i[0] + np;      // q
  i[2] = i[1] + np;      // p
  i[3] = i[2] + np;      // e
  i[4] = i[3] + np;      // phi
  i[5] = i[4] + np;      // tb
  i[6] = i[5] + np;      // f
  i[7] = i[6] + n;       // r
  i[8] = i[7] + n;       // a
  i[9] = i[8] + np2;     // d
  i[10] = i[9] + np2;    // delz
  i[11] = i[10] + n * np;  // t1
  i[12] = i[11] + np;    // t2
  return i;
}

void haus(std::int32_t nprob, const Model& model, std::int32_t nob, std::span<const float> yob, std::int32_t npar,
          std::span<float> par, std::span<const float> signs, std::int32_t maxit, float& errc, float errp,
          std::span<float> work, const EstimatorOutput& out, Somcarre& somcarre) {
  const auto i = workspace_offsets(npar, nob);
  const std::int64_t np = npar;

  // The difference proportions fill the first npar entries; ind ends one past them.
  std::int64_t ind = i[0];
  for (; ind <= i[1] - 1; ++ind) {
    if (ind <= static_cast<std::int64_t>(work.size())) work[static_cast<std::size_t>(ind - 1)] = kDifferenceProportion;
  }
  out.trace.write_list({"appel de haus59", static_cast<std::int32_t>(ind), static_cast<std::int32_t>(i[1]), npar});

  // The workspace must cover every region up to t1; a shorter one is handed over empty, which the core
  // reports as a parameter error.
  const bool fits = i[12] - 1 <= static_cast<std::int64_t>(work.size());
  std::span<float> difz = region(work, i[0], np);
  std::vector<float> printed_difz;
  if (np > 0 && difz.empty()) {
    // Too short even for the proportions: they are still printed before the rejection.
    printed_difz.assign(static_cast<std::size_t>(np), kDifferenceProportion);
    difz = printed_difz;
  }
  Haus59Workspace regions{};
  if (fits) {
    regions = Haus59Workspace{region(work, i[1], np),       region(work, i[2], np),      region(work, i[3], np),
               region(work, i[4], np),       region(work, i[5], np),      region(work, i[6], nob),
               region(work, i[7], nob),      region(work, i[8], np * np), region(work, i[9], np * np),
               region(work, i[10], nob * np)};
  }

  Haus59Settings settings{errc, errp, maxit, kInitialDamping, kDampingFactor};
  const Haus59Problem problem{nprob, model, nob, yob, npar, par, difz, signs};
  haus59(problem, settings, regions, out, somcarre);
  errc = settings.eps1;
}

}  // namespace laifit
