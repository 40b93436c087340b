#include "driver/ajust.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "driver/extraction.hpp"
#include "driver/njan.hpp"
#include "driver/run_details.hpp"
#include "fit/laibym.hpp"
#include "records/failure.hpp"
#include "records/list_input.hpp"
#include "state/units_of_run.hpp"

namespace laifit {
namespace {

const Format& name_format() {
  static const Format f("(2x,a30)");
  return f;
}
const Format& date_format() {
  static const Format f("(i2,1x,i2,1x,i4)");
  return f;
}

// Day numbers of the following year continue the count; the sum wraps rather than overflow on absurd
// input, whose days are then refused where they would index the day table.
std::int32_t add_days(std::int32_t day, std::int32_t days) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(day) + static_cast<std::uint32_t>(days));
}

// The files a run writes, each compared with every input before any of them is opened.
struct Output {
  std::string_view name;
  const char* what;  // how the refusal calls it
};

// The inputs that the run description names, in the order they are checked: all of them once it has
// been read, or those read so far after a failure. The second climate file counts until a climate-year
// code of 1 is read.
struct Named {
  bool observations = false;
  bool climate1 = false;
  bool climate2 = false;
  bool one_year = false;
};

std::string refusal_text(const Output& out, std::string_view input) {
  if (std::string_view(out.what).empty()) {
    return "error- param.soj: the interpolated LAI file " + std::string(out.name) + " is the input file " +
           std::string(input) + "; give it another name";
  }
  return "error- param.soj: the " + std::string(out.what) + " " + std::string(out.name) + " is the input file " +
         std::string(input) + "; give the input another name";
}

// A file written over one of the run's inputs would destroy it: the first output that is an existing
// input (by name or by any link to it) is refused before anything is created or written.
void refuse_outputs_over_inputs(const Units& units, std::span<const Output> outputs, const Lai& lai,
                                const FixedText<30>& ficobs, const Named& named) {
  std::vector<std::pair<std::string_view, FileId>> inputs;
  auto add = [&](std::string_view name) {
    if (const auto id = units.identity(name)) inputs.emplace_back(name, *id);
  };
  add("param.soj");
  if (named.observations) add(ficobs.trimmed());
  if (named.climate1) add(lai.wdata1.trimmed());
  if (named.climate2 && !named.one_year) add(lai.wdata2.trimmed());
  for (const Output& out : outputs) {
    const auto out_id = units.identity(out.name);
    if (!out_id) continue;
    for (const auto& [name, id] : inputs) {
      if (id == *out_id) throw Refusal(refusal_text(out, name));
    }
  }
}

constexpr Output kTraceOutput{"test.txt", "trace file"};

// Reads "param.soj" into the run's records, tracing the names and the parameters, and notes in named
// each input as soon as it is named.
void read_run_description(InputChannel& soj, OutputChannel& trace, RunState& state, Named& named, std::int32_t& jour,
                          std::int32_t& mois) {
  Lai& lai = state.lai;
  Param& param = state.param;
  Temps& temps = state.temps;
  FixedText<30>& ficobs = state.ficobs;
  std::int32_t& anlevee = state.lev.anlevee;

  read_list(soj, {lai.wdata1});
  named.climate1 = true;
  trace.write_list({lai.wdata1});
  read_list(soj, {lai.wdata2});
  named.climate2 = true;
  trace.write_list({lai.wdata2});
  temps.pas = 1.0f;

  read_list(soj, {ficobs});
  named.observations = true;
  trace.write(name_format(), {ficobs});
  read_list(soj, {lai.ficlai});
  trace.write(name_format(), {lai.ficlai});

  read_fixed(soj, date_format(), {jour, mois, anlevee});
  lai.jlevee = njan(anlevee, mois, jour, 0);

  read_list(soj, {temps.icodclim});
  named.one_year = temps.icodclim == 1;
  read_list(soj, {param.base});

  for (std::size_t k = 0; k < 5; ++k) {
    read_list(soj, {param.icod[k], param.var[k]});
    trace.write_list({"parameters", param.icod[k], param.var[k]});
  }
}

// The trace file and the history file, opened once the run knows that writing them destroys no input.
void open_trace(Units& units) {
  units.open_held(unit::kTrace);
  units.open_untouched(unit::kHistory, "history.kvt");
}

}  // namespace

void ajust(RunState& state, Units& units, RunDetails* details) {
  Lai& lai = state.lai;
  Param& param = state.param;
  Temps& temps = state.temps;
  std::int32_t& anlevee = state.lev.anlevee;

  // The run description first: a folder that cannot be run is left exactly as it was, and the trace is
  // held until the run knows that its files are none of the inputs.
  InputChannel& soj = units.open_input(unit::kParam, "param.soj");
  OutputChannel& trace = units.hold_output(unit::kTrace, "test.txt");
  FixedText<30>& ficobs = state.ficobs;
  Named named;
  std::int32_t jour = 0;
  std::int32_t mois = 0;
  try {
    read_run_description(soj, trace, state, named, jour, mois);
  } catch (const RunFailure&) {
    // The trace of what was read reaches test.txt, unless test.txt is one of the inputs named so far.
    refuse_outputs_over_inputs(units, std::span(&kTraceOutput, 1), lai, ficobs, named);
    open_trace(units);
    throw;
  }
  const Output outputs[] = {{lai.ficlai.trimmed(), ""},
                            kTraceOutput,
                            {"tempobs2.txt", "working file"},
                            {"tempobs.txt", "working file"},
                            {"adjust_lai.txt", "report file"}};
  refuse_outputs_over_inputs(units, outputs, lai, ficobs, named);
  open_trace(units);

  // The curve functions and the estimator know only estimated (1) and held (0) parameters.
  for (std::size_t k = 0; k < 5; ++k) {
    if (param.icod[k] != 0 && param.icod[k] != 1) {
      throw Refusal("error- param.soj: the switch of parameter " + std::to_string(k + 1) + " is " +
                    std::to_string(param.icod[k]) + "; it must be 1 (estimated) or 0 (held)");
    }
  }
  param.nbpar = param.icod[0] + param.icod[1] + param.icod[2] + param.icod[3] + param.icod[4];
  units.close(unit::kParam);

  extract_observations(units, ficobs.trimmed());

  InputChannel& rows = units.open_input(unit::kObsTable, "tempobs.txt");
  std::array<std::int32_t, 3> date{};
  std::int32_t numjour = 0;
  float vlai = 0.0f;
  auto read_row = [&] { return read_list_or_end(rows, {std::span<std::int32_t>(date), numjour, vlai}); };

  if (!read_list_or_end(rows, {std::span<std::int32_t>(date)})) {
    lai.nobs = 0;
  } else {
    rows.step_back();
    const std::int32_t ansemis = date[0];
    const std::int32_t nbjansemis = days_in_year(ansemis);
    if (details != nullptr) {
      details->has_rows = true;
      details->ansemis = ansemis;
      details->nbjansemis = nbjansemis;
    }
    trace.write_list({"pas", temps.pas, ansemis, nbjansemis, anlevee});

    if (anlevee == ansemis) {
      lai.jlevee = njan(anlevee, mois, jour, 0);
    } else if (std::int64_t{anlevee} == std::int64_t{ansemis} + 1) {
      lai.jlevee = njan(anlevee, mois, jour, 0) + nbjansemis;
    } else {
      units.screen().write_list(
          {"error- You need to add an observation during the first year of the simulation"
           "\""
           " or declare the emergence day during the second day of the simulation and "
           "uncheck '2 climate years crop'"});
      return;
    }
    trace.write_list({"jlevee ", lai.jlevee});

    // Skip the rows before emergence whose value is missing.
    bool found = false;
    while ((found = read_row())) {
      if (date[0] != ansemis) numjour = add_days(numjour, nbjansemis);
      if (!(numjour < lai.jlevee && vlai < 0)) break;
    }
    if (!found) {
      lai.nobs = 0;
    } else {
      // The stop record is read again by the collection below.
      std::int32_t i = 1;
      if (numjour == lai.jlevee) {
        trace.write_list({"levee obs ", i, numjour, lai.jlevee});
        lai.nl[0] = lai.jlevee;
        lai.xinfl[0] = vlai;
      } else {
        trace.write_list({"emergence forced", i, numjour, lai.jlevee});
        lai.nl[0] = lai.jlevee;
        lai.xinfl[0] = 0.0f;
        i = 2;
      }
      rows.step_back();

      while (read_row()) {
        if (!(vlai >= 0)) continue;  // missing (negative) or not a number
        if (date[0] != ansemis) numjour = add_days(numjour, nbjansemis);
        if (i > kMaxObservations) {
          throw Refusal("error- " + std::string(ficobs.trimmed()) + ": more than " + std::to_string(kMaxObservations) +
                        " observation points; the series holds " + std::to_string(kMaxObservations));
        }
        lai.nl[static_cast<std::size_t>(i - 1)] = numjour;
        lai.xinfl[static_cast<std::size_t>(i - 1)] = vlai;
        if (details != nullptr) details->point_record[static_cast<std::size_t>(i - 1)] = rows.record_number();
        trace.write_list({"i", i, numjour, vlai});
        ++i;
      }
      lai.nobs = i - 1;
    }
  }
  trace.write_list({"nobs", lai.nobs});
  units.close(unit::kObsTable);
  trace.write_list({"call of laibym"});

  units.screen().write_list({"info- pour infos sur l'ajustement regardez le fichier adjust_lai.txt"});
  laibym(state, units, details != nullptr ? &details->fit : nullptr);

  units.close(unit::kTrace);
  units.close(unit::kHistory);
}

}  // namespace laifit
