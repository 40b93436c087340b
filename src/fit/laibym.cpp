#include "fit/laibym.hpp"

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "model/curves.hpp"
#include "model/model.hpp"
#include "records/failure.hpp"
#include "records/list_input.hpp"
#include "report/haus.hpp"
#include "state/units_of_run.hpp"

namespace laifit {
namespace {

// The estimator's workspace, large enough for every observation series with five parameters.
constexpr std::size_t kWork = workspace_size(5, kMaxObservations);

// The daily cumulative thermal time by day number, and its final value.
struct ThermalTime {
  std::array<float, kDayTable> som{};  // som[d - 1] is day d
  float somi = 0.0f;

  float at(std::int32_t day) const { return som[static_cast<std::size_t>(day - 1)]; }
};

bool in_day_table(std::int64_t day) { return day >= 1 && day <= kDayTable; }

// Reads the climate files into cumulative degree-days: the first file is skipped up to the day before
// emergence, then every record adds its mean temperature above base; the second file (two climate
// years) continues the day count from the first file's last day.
ThermalTime read_thermal_time(const RunState& state, Units& units, OutputChannel& trace, bool an2) {
  enum class Phase { skip, accumulate_first, accumulate_second, done };
  const Lai& lai = state.lai;
  const float base = state.param.base;

  ThermalTime tt;
  FixedText<7> station;
  std::int32_t an = 0, mois = 0, nday = 0, jour = 0;
  float tn = 0.0f, tx = 0.0f, rg = 0.0f, etp = 0.0f, rr = 0.0f;
  std::int32_t jourini = 0;
  int reading = unit::kClimate1;

  Phase phase = Phase::skip;
  while (phase != Phase::done) {
    InputChannel& file = units.input(reading);
    if (!read_list_or_end(file, {station, an, mois, nday, jour, tn, tx, rg, etp, rr})) {
      trace.write_list({"fin de lecture annee", reading == unit::kClimate1 ? 11 : 12});
      units.close(reading);
      if (!an2) {
        jourini = jour;
        reading = unit::kClimate2;
        an2 = true;
        phase = Phase::accumulate_second;
      } else {
        phase = Phase::done;
      }
      continue;
    }
    if (phase == Phase::skip) {
      // The record of the day before emergence ends the skip without being counted.
      if (jour >= lai.jlevee - 1) phase = Phase::accumulate_first;
      continue;
    }
    const std::int64_t day = std::int64_t{jour} + jourini;
    if (!in_day_table(day)) {
      throw Refusal("error- " + file.name() + ": day " + std::to_string(jour) + " gives day number " +
                    std::to_string(day) + ", outside the " + std::to_string(kDayTable) + "-day table");
    }
    // A day adds its mean temperature above base, or nothing when the mean is below it.
    const float tm = static_cast<float>((double{tx} + tn) / 2.0);
    const float diff = double{tm} >= double{base} ? static_cast<float>(double{tm} - base) : 0.0f;
    float& entry = tt.som[static_cast<std::size_t>(day - 1)];
    entry = static_cast<float>(double{tt.somi} + diff);
    tt.somi = entry;
  }
  return tt;
}

// Days that index the day table must lie in it: emergence and every observation point.
void refuse_days_outside_table(const RunState& state) {
  const Lai& lai = state.lai;
  if (!in_day_table(lai.jlevee)) {
    throw Refusal("error- param.soj: the emergence day number " + std::to_string(lai.jlevee) + " lies outside the " +
                  std::to_string(kDayTable) + "-day table");
  }
  for (std::int32_t i = 0; i < lai.nobs; ++i) {
    if (!in_day_table(lai.nl[static_cast<std::size_t>(i)])) {
      throw Refusal("error- " + std::string(state.ficobs.trimmed()) + ": the observation day number " +
                    std::to_string(lai.nl[static_cast<std::size_t>(i)]) + " lies outside the " +
                    std::to_string(kDayTable) + "-day table");
    }
  }
}

const Format& parameter_format(int k) {
  static const Format narrow("(i1,1x,f9.4)");
  static const Format wide("(i1,1x,f15.4)");
  return k == 2 || k == 4 ? wide : narrow;
}

}  // namespace

void laibym(RunState& state, Units& units) {
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
  const ThermalTime tt = read_thermal_time(state, units, trace, state.temps.icodclim == 1);

  OutputChannel& out = units.open_output(unit::kLaiFile, lai.ficlai.trimmed());
  std::array<float, kMaxObservations> yob{};
  const std::int32_t nob = lai.nobs;
  for (std::size_t i = 0; i < static_cast<std::size_t>(nob); ++i) {
    state.x.stemp[i] = tt.at(lai.nl[i]);
    yob[i] = lai.xinfl[i];
    trace.write_list({lai.nl[i], state.x.stemp[i], yob[i]});
  }

  // Parameter coding: estimated parameters packed in increasing number, held ones in cst.
  std::array<float, 5> par{};
  param.nbpar = 0;
  for (std::size_t k = 0; k < 5; ++k) {
    param.nbpar += param.icod[k];
    param.cst[k] = param.var[k];
    if (param.icod[k] == 1) par[static_cast<std::size_t>(param.nbpar - 1)] = param.var[k];
  }
  const std::int32_t npar = param.nbpar;
  param.icomb = 10000 * param.icod[0] + 1000 * param.icod[1] + 100 * param.icod[2] + 10 * param.icod[3] + param.icod[4];
  trace.write_list({"avant appel a haus", param.icomb, param.nbpar, npar});

  std::array<float, 5> signs{};
  signs[0] = 1.0f;
  for (std::int32_t k = 2; k <= npar; ++k) signs[static_cast<std::size_t>(k - 1)] = 1.0f;
  state.imphau = Imphau{&units.screen(), &report, 0};
  const std::int32_t maxit = 50;
  float errc = 1.0e-5f;
  const float errp = 1.0e-5f;
  const std::int32_t nprob = 1;
  std::array<float, kWork> work{};
  const CurveModel curve{param.nbpar, CurveCoding{param.icomb, param.cst},
                         std::span<const float>(state.x.stemp).first(static_cast<std::size_t>(nob))};
  const EstimatorModel adapter = [&](std::span<const float> p, std::span<float> ye) {
    model(nprob, p, ye, static_cast<std::int32_t>(ye.size()), static_cast<std::int32_t>(p.size()), curve,
          units.screen());
  };
  const EstimatorResult fit =
      haus(nprob, adapter, nob, std::span<const float>(yob).first(static_cast<std::size_t>(nob)), npar,
           std::span<float>(par).first(static_cast<std::size_t>(npar)), signs, maxit, errc, errp, work,
           ReportChannels{trace, units.screen(), state.imphau});
  keep_fit_figures(fit, state.somcarre);

  trace.write_list({"apres haus"});
  units.close(unit::kReport);
  trace.write_list({"avant ecriture dans le fichier de lai interpole"});

  // Line 1: whether the decline reference lies beyond the thermal time the climate data reach.
  const float p5 = param.icod[4] == 1 ? par[static_cast<std::size_t>(param.nbpar - 1)] : param.cst[4];
  out.write_list({double{p5} > double{tt.somi} ? "Tf non atteint" : " "});

  // Lines 2 to 6: each parameter with its switch, the fitted value when estimated.
  std::size_t numpar = 0;
  for (std::size_t k = 0; k < 5; ++k) {
    const float value = param.icod[k] == 0 ? param.cst[k] : par[numpar++];
    out.write(parameter_format(static_cast<int>(k)), {param.icod[k], value});
  }

  Somcarre& sc = state.somcarre;
  sc.sdev = static_cast<float>(double{sc.sdev} * sc.sdev);
  static const Format summary("(f10.1,1x,i4,1x,f10.1)");
  out.write(summary, {sc.sdev, sc.idf, sc.sumc});
  out.write_list({state.lev.anlevee});

  // The daily series from emergence until the curve, once positive, falls back to zero, or until the
  // climate data (or the day table) end.
  static const Format record("(i3,1x,i3,1x,f6.3,1x,f6.1)");
  const CurveFunction f = curve_function(param.nbpar);
  const std::span<const float> fitted = std::span<const float>(par).first(static_cast<std::size_t>(npar));
  bool fin = false;
  for (std::int32_t num = 1, i = lai.jlevee;; ++num, ++i) {
    const auto slot = static_cast<std::size_t>(num - 1);
    lai.nl2[slot] = i;
    const float t = tt.at(i);
    float& value = lai.xinfl2[slot];
    value = f == nullptr ? lai_curve(param.cst, t) : f(fitted, npar, t, curve.coding);
    if (double{value} <= 0.0) {
      value = 0.0f;
      if (fin) {
        lai.irec = i;
        out.write(record, {num, i, 0.0f, t});
        break;
      }
    }
    if (double{value} > 0.0) fin = true;
    out.write(record, {num, lai.nl2[slot], value, t});
    if (double{t} == double{tt.somi} || i == kDayTable) {
      trace.write_list({"Tf non atteint"});
      break;
    }
  }
  units.close(unit::kLaiFile);
}

}  // namespace laifit
