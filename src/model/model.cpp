#include "model/model.hpp"

#include <algorithm>

#include "check/check.hpp"
#include "records/edit.hpp"
#include "records/text_buffer.hpp"

namespace laifit {

CurveModel::CurveModel(std::int32_t nbpar_, const CurveCoding& coding_, std::span<const float> stemp_)
    : nbpar(nbpar_), coding(coding_), stemp(stemp_) {
  // The free-format line ("debug-  ", i, "nob", nob, par..., npar, t): one blank starts the record and
  // one separates two items, except two texts, which touch.
  TextBuffer fields(stemp.size() * kFields + 1);
  for (std::size_t i = 0; i < stemp.size(); ++i) {
    fields.append(" debug-   ");
    list_integer(fields, static_cast<std::int32_t>(i + 1));
    list_real(fields, stemp[i]);
  }
  fields_.assign(fields.view());
}

void model(std::int32_t, std::span<const float> par, std::span<float> ye, std::int32_t nob, std::int32_t npar,
           const CurveModel& curve, OutputChannel& screen) {
  screen.write_list({"debug-  appel de model"});
  screen.write_list({"debug-  ajustement", curve.nbpar, " parametres"});
  const CurveFunction f = curve_function(curve.nbpar);
  if (f == nullptr) return;
  LAIFIT_CHECK(static_cast<std::size_t>(std::max(nob, 0)) <= std::min(curve.stemp.size(), ye.size()) && npar >= 0 &&
                   static_cast<std::size_t>(npar) <= par.size(),
               "model called with more observations or parameters than its arrays hold");
  // The middle of every line of this call: " nob", nob, the parameters and npar, with their blanks.
  TextBuffer middle(64 + 17 * static_cast<std::size_t>(npar));
  middle.append(" nob ");
  list_integer(middle, nob);
  for (const float p : par.first(static_cast<std::size_t>(npar))) {
    middle.push(' ');
    list_real(middle, p);
  }
  middle.push(' ');
  list_integer(middle, npar);
  middle.push(' ');
  const auto n = static_cast<std::size_t>(std::max(nob, 0));
  for (std::size_t i = 0; i < n; ++i) screen.write_pieces({curve.lead(i), middle.view(), curve.time(i)});
  curve_values(curve.nbpar, par, curve.stemp.first(n), curve.coding, ye);
}

}  // namespace laifit
