#include "model/model.hpp"

#include <algorithm>

#include "check/check.hpp"

namespace laifit {

void model(std::int32_t, std::span<const float> par, std::span<float> ye, std::int32_t nob, std::int32_t npar,
           const CurveModel& curve, OutputChannel& screen) {
  screen.write_list({"debug-  appel de model"});
  screen.write_list({"debug-  ajustement", curve.nbpar, " parametres"});
  const CurveFunction f = curve_function(curve.nbpar);
  if (f == nullptr) return;
  LAIFIT_CHECK(static_cast<std::size_t>(std::max(nob, 0)) <= std::min(curve.stemp.size(), ye.size()) && npar >= 0 &&
                   static_cast<std::size_t>(npar) <= par.size(),
               "model called with more observations or parameters than its arrays hold");
  const std::span<const float> shown = par.first(static_cast<std::size_t>(npar));
  for (std::int32_t i = 1; i <= nob; ++i) {
    const float t = curve.stemp[static_cast<std::size_t>(i - 1)];
    screen.write_list({"debug-  ", i, "nob", nob, shown, npar, t});
    ye[static_cast<std::size_t>(i - 1)] = f(par, npar, t, curve.coding);
  }
}

}  // namespace laifit
