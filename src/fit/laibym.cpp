#include "fit/laibym.hpp"

#include <array>
#include <cstdint>
#include <span>

#include "climate.hpp"
#include "coding.hpp"
#include "day_table.hpp"
#include "fit/run_settings.hpp"
#include "lai_file.hpp"
#include "model/curves.hpp"
#include "model/model.hpp"
#include "report/haus.hpp"
#include "state/units_of_run.hpp"

namespace laifit {
namespace {

// The estimator's workspace, large enough for every observation series with five parameters.
constexpr std::size_t kWork = workspace_size(5, kMaxObservations);

}  // namespace

void laibym(RunState& state, Units& units, FitDetails* details) {
  Lai& lai = state.lai;
  Param& param = state.param;
  OutputChannel& trace = units.output(unit::kTrace);

  units.open_input(unit::kClimate1, lai.wdata1.trimmed());
  if (state.temps.icodclim != 1) units.open_input(unit::kClimate2, lai.wdata2.trimmed());
  OutputChannel& report = units.open_output(unit::kReport, "adjust_lai.txt");

  // No fit when the observations follow each other day by day from emergence.
  lai.consec = true;
  for (std::int32_t il = 1; il <= lai.nobs; ++il) {
    if (std::int64_t{lai.nl[static_cast<std::size_t>(il - 1)]} != std::int64_t{lai.jlevee} + il - 1) {
      lai.consec = false;
    }
  }
  trace.write_list({"dans laibym avant test consec"});
  if (lai.consec) {
    units.close(unit::kClimate1);
    units.close(unit::kReport);
    return;
  }

  trace.write_list({"jlev", lai.jlevee});
  refuse_days_outside_table(state);
  const ThermalTime tt = read_thermal_time(state, units, trace, details != nullptr ? &details->climate : nullptr);

  OutputChannel& out = units.open_output(unit::kLaiFile, lai.ficlai.trimmed());
  std::array<float, kMaxObservations> yob{};
  const std::int32_t nob = lai.nobs;
  for (std::size_t i = 0; i < static_cast<std::size_t>(nob); ++i) {
    state.x.stemp[i] = tt.at(lai.nl[i]);
    yob[i] = lai.xinfl[i];
    trace.write_list({lai.nl[i], state.x.stemp[i], yob[i]});
  }

  // Parameter coding: estimated parameters packed in increasing number, held ones in cst.
  PackedParameters packed = code_parameters(param);
  const std::int32_t npar = packed.npar;
  if (details != nullptr) {
    details->fitted = true;
    details->som = tt.som;
    details->somi = tt.somi;
  }
  const std::span<float> par = std::span<float>(packed.par).first(static_cast<std::size_t>(npar));
  trace.write_list({"avant appel a haus", param.icomb, param.nbpar, npar});

  std::array<float, 5> signs{};
  signs[0] = 1.0f;
  for (std::int32_t k = 2; k <= npar; ++k) signs[static_cast<std::size_t>(k - 1)] = 1.0f;
  state.imphau = Imphau{&units.screen(), &report, 0};
  const std::int32_t maxit = kRunEstimator.maxit;
  float errc = kRunEstimator.errc;
  const float errp = kRunEstimator.errp;
  const std::int32_t nprob = 1;
  std::array<float, kWork> work{};
  const CurveModel curve{param.nbpar, CurveCoding{param.icomb, param.cst},
                         std::span<const float>(state.x.stemp).first(static_cast<std::size_t>(nob))};
  const EstimatorModel adapter = [&](std::span<const float> p, std::span<float> ye) {
    model(nprob, p, ye, static_cast<std::int32_t>(ye.size()), static_cast<std::int32_t>(p.size()), curve,
          units.screen());
  };
  const EstimatorResult fit =
      haus(nprob, adapter, nob, std::span<const float>(yob).first(static_cast<std::size_t>(nob)), npar, par, signs,
           maxit, errc, errp, work, ReportChannels{trace, units.screen(), state.imphau});
  keep_fit_figures(fit, state.somcarre);
  if (details != nullptr) {
    details->par.assign(par.begin(), par.end());
    details->result = fit;
  }

  trace.write_list({"apres haus"});
  units.close(unit::kReport);
  trace.write_list({"avant ecriture dans le fichier de lai interpole"});

  write_lai_file(out, trace, state, tt, par, curve.coding);
  units.close(unit::kLaiFile);
}

}  // namespace laifit
