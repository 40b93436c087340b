#include "climate.hpp"

#include <cstdint>
#include <string>

#include "numeric/store.hpp"
#include "records/failure.hpp"
#include "records/list_input.hpp"
#include "state/units_of_run.hpp"

namespace laifit {

ThermalTime read_thermal_time(const RunState& state, Units& units, OutputChannel& trace,
                              std::vector<ClimateRecord>* taken) {
  enum class Phase { skip, accumulate_first, accumulate_second, done };
  const Lai& lai = state.lai;
  const float base = state.param.base;
  // With one climate year no second file may follow the first.
  bool no_second_file = state.temps.icodclim == 1;

  ThermalTime tt;
  FixedText<7> station;
  std::int32_t an = 0, mois = 0, nday = 0, jour = 0;
  float tn = 0.0f, tx = 0.0f, rg = 0.0f, etp = 0.0f, rr = 0.0f;
  std::int32_t jourini = 0;  // offset of the day numbers of the file being read
  int reading = unit::kClimate1;

  Phase phase = Phase::skip;
  while (phase != Phase::done) {
    InputChannel& file = units.input(reading);
    if (!read_list_or_end(file, {station, an, mois, nday, jour, tn, tx, rg, etp, rr})) {
      trace.write_list({"fin de lecture annee", reading == unit::kClimate1 ? 11 : 12});
      units.close(reading);
      if (!no_second_file) {
        jourini = jour;
        reading = unit::kClimate2;
        no_second_file = true;
        phase = Phase::accumulate_second;
      } else {
        phase = Phase::done;
      }
      continue;
    }
    if (phase == Phase::skip) {
      if (taken != nullptr && taken->size() < kMaxClimateRecords) {
        taken->push_back(ClimateRecord{reading, file.record_number(), an, jour});
      }
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
    const float tm = numeric::store((double{tx} + tn) / 2.0);
    const float diff = double{tm} >= double{base} ? numeric::store(double{tm} - base) : 0.0f;
    float& entry = tt.som[static_cast<std::size_t>(day - 1)];
    entry = numeric::store(double{tt.somi} + diff);
    tt.somi = entry;
    if (taken != nullptr && taken->size() < kMaxClimateRecords) {
      taken->push_back(ClimateRecord{reading, file.record_number(), an, jour, true, static_cast<std::int32_t>(day), tm,
                                     diff, entry});
    }
  }
  return tt;
}

}  // namespace laifit
