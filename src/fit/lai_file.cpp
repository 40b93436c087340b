#include "lai_file.hpp"

#include <cstdint>

#include "numeric/store.hpp"

namespace laifit {

namespace {

constexpr Format kNarrowParameter("(i1,1x,f9.4)");
constexpr Format kWideParameter("(i1,1x,f15.4)");
constexpr Format kSummary("(f10.1,1x,i4,1x,f10.1)");
constexpr Format kRecord("(i3,1x,i3,1x,f6.3,1x,f6.1)");

// p3 and p5 are thermal times and get the wider field.
const Format& parameter_format(std::size_t k) { return k == 2 || k == 4 ? kWideParameter : kNarrowParameter; }

}  // namespace

void write_lai_file(OutputChannel& out, OutputChannel& trace, RunState& state, const ThermalTime& tt,
                    std::span<const float> par, const CurveCoding& coding) {
  Lai& lai = state.lai;
  const Param& param = state.param;
  const auto npar = static_cast<std::int32_t>(par.size());

  // Line 1: whether the decline reference lies beyond the thermal time the climate data reach.
  const float p5 = param.icod[4] == 1 ? par[static_cast<std::size_t>(param.nbpar - 1)] : param.cst[4];
  out.write_list({double{p5} > double{tt.somi} ? "Tf non atteint" : " "});

  // Lines 2 to 6: each parameter with its switch, the fitted value when estimated.
  std::size_t numpar = 0;
  for (std::size_t k = 0; k < 5; ++k) {
    const float value = param.icod[k] == 0 ? param.cst[k] : par[numpar++];
    out.write(parameter_format(k), {param.icod[k], value});
  }

  Somcarre& sc = state.somcarre;
  sc.sdev = numeric::store(double{sc.sdev} * sc.sdev);
  out.write(kSummary, {sc.sdev, sc.idf, sc.sumc});
  out.write_list({state.lev.anlevee});

  // The daily series from emergence until the curve, once positive, falls back to zero, or until the
  // climate data (or the day table) end.
  const CurveFunction f = curve_function(param.nbpar);
  bool was_positive = false;  // the curve has been above zero on some day of the series
  for (std::int32_t num = 1, i = lai.jlevee;; ++num, ++i) {
    const auto slot = static_cast<std::size_t>(num - 1);
    lai.nl2[slot] = i;
    const float t = tt.at(i);
    float& value = lai.xinfl2[slot];
    value = f == nullptr ? lai_curve(param.cst, t) : f(par, npar, t, coding);
    if (double{value} <= 0.0) {
      value = 0.0f;
      if (was_positive) {
        lai.irec = i;
        out.write(kRecord, {num, i, 0.0f, t});
        break;
      }
    }
    if (double{value} > 0.0) was_positive = true;
    out.write(kRecord, {num, lai.nl2[slot], value, t});
    if (double{t} == double{tt.somi} || i == kDayTable) {
      trace.write_list({"Tf non atteint"});
      break;
    }
  }
}

}  // namespace laifit
