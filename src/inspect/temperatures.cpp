// The temperatures of the climate files as laifit takes them: missing-value codes, values no field has,
// a season in degrees Fahrenheit or in tenths of a degree, decimal commas, maximum below minimum.

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "inspect/catalogue.hpp"
#include "inspect/climate.hpp"
#include "inspect/text.hpp"
#include "state/units_of_run.hpp"

namespace laifit::inspect {
namespace {

constexpr std::size_t kTn = 5, kTx = 6;  // the values of a climate record, from 0

// One daily record as read: where tn and tx were written, and whether the run counted the day.
struct Reading {
  const LoggedStatement* statement = nullptr;
  const ClimateRecord* record = nullptr;  // the run's record of it
  const LoggedValue& tn() const { return statement->values[kTn]; }
  const LoggedValue& tx() const { return statement->values[kTx]; }
};

struct ClimateFileReadings {
  std::string name;
  std::vector<Reading> used;    // the days from emergence on
  std::vector<Reading> season;  // of those, the days up to the last observation
};

ClimateFileReadings readings_of(const Gathered& g, int unit, const std::string& name) {
  ClimateFileReadings out{name, {}, {}};
  const RunInputs in = run_inputs(g.details);
  const std::int32_t last = in.last_point_day();
  std::map<std::int64_t, const ClimateRecord*> by_record;
  for (const ClimateRecord& r : g.details.fit.climate) {
    if (r.unit == unit && r.accumulated) by_record[r.record] = &r;
  }
  for (const LoggedStatement* s : g.log.of(unit, name)) {
    const auto it = by_record.find(s->end_record);
    if (!s->ended || s->values.size() <= kTx || it == by_record.end()) continue;
    const Reading reading{s, it->second};
    out.used.push_back(reading);
    if (reading.record->day >= in.emergence_day && reading.record->day <= last) out.season.push_back(reading);
  }
  return out;
}

bool sentinel(float v) {
  return std::any_of(std::begin(Thresholds::sentinels), std::end(Thresholds::sentinels),
                     [&](double s) { return v == static_cast<float>(s); });
}

// Lines of a file and the first value met, for one finding.
struct Lines {
  std::vector<std::int64_t> lines;
  std::string example;
  void take(const LoggedValue& v, const char* which) {
    lines.push_back(v.record);
    if (example.empty()) example = cat("line ", std::to_string(v.record), ": ", which, " ", shown(v.text));
  }
};

double median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  const std::size_t m = v.size() / 2;
  return v.size() % 2 == 1 ? v[m] : (v[m - 1] + v[m]) / 2.0;
}

bool whole(const LoggedValue& v) { return v.text.find_first_of(".eE,") == std::string::npos; }

// The unit the season's temperatures are written in, by its median daily mean: "" for degrees Celsius.
std::string season_unit(const ClimateFileReadings& file, double& middle) {
  std::vector<double> means;
  bool all_whole = true;
  for (const Reading& r : file.season) {
    means.push_back(r.record->tm);
    all_whole = all_whole && whole(r.tn()) && whole(r.tx());
  }
  middle = median(means);
  if (means.empty()) return "";
  if (all_whole && middle > Thresholds::tenths_median) return "tenths";
  if (middle > Thresholds::fahrenheit_median) return "fahrenheit";
  return "";
}

void check_season_unit(const ClimateFileReadings& file, const std::string& unit, double middle, Findings& f) {
  const std::string median_words = "the median daily mean from emergence to the last observation is " +
                                   significant(middle, 4) + " (over " + count_of(file.season.size(), "day", "days") +
                                   ")";
  if (unit == "tenths") {
    f.add("climate-tenths", file.name,
          median_words +
              ", and every tn and tx is a whole number: the temperatures are in tenths of a degree, and "
              "laifit takes them as degrees Celsius, so the thermal time is ten times too large.");
  } else if (unit == "fahrenheit") {
    f.add("climate-fahrenheit", file.name,
          median_words + ", above " + fixed(Thresholds::fahrenheit_median, 0) +
              " °C as no field season is: the temperatures are in degrees Fahrenheit, and laifit takes them as "
              "degrees Celsius.");
  }
}

// Codes for a missing value and temperatures no field has, among the days laifit counts.
void check_values(const ClimateFileReadings& file, bool unit_found, Findings& f) {
  Lines codes, absurd;
  for (const Reading& r : file.used) {
    for (const auto& [v, which] : {std::pair{&r.tn(), "tn"}, std::pair{&r.tx(), "tx"}}) {
      if (sentinel(v->real)) {
        codes.take(*v, which);
      } else if (!unit_found && (v->real < Thresholds::coldest_day || v->real > Thresholds::warmest_day)) {
        absurd.take(*v, which);
      }
    }
  }
  if (!codes.lines.empty()) {
    f.add("climate-sentinel", file.name + " " + line_list(codes.lines),
          "a code that stations write for a missing value, taken as a temperature (" + codes.example +
              "): laifit counts it as degrees, and the thermal time jumps or stalls on those days.");
  }
  if (!absurd.lines.empty()) {
    f.add("climate-out-of-range", file.name + " " + line_list(absurd.lines),
          "a daily temperature outside " + fixed(Thresholds::coldest_day, 0) + " to " +
              fixed(Thresholds::warmest_day, 0) + " °C (" + absurd.example + "), which no field has.");
  }
}

void check_max_below_min(const ClimateFileReadings& file, Findings& f) {
  std::size_t below = 0;
  for (const Reading& r : file.season) below += r.tx().real < r.tn().real ? 1u : 0u;
  if (file.season.empty() || below * 2 <= file.season.size()) return;
  f.add("climate-max-below-min", file.name,
        "tx is below tn on " + std::to_string(below) + " of the season's " + std::to_string(file.season.size()) +
            " days: the columns may be swapped. laifit uses only their mean, which is the same either way.");
}

// "12,5" read as the two values 12 and 5: a comma right between two numbers, on a line whose other
// values are separated by blanks.
void check_commas(const Gathered& g, int unit, const std::string& name, Findings& f) {
  Lines commas;
  for (const LoggedStatement* s : g.log.of(unit, name)) {
    const bool blanks = std::any_of(s->values.begin(), s->values.end(),
                                    [](const LoggedValue& v) { return v.separator == ' ' || v.separator == '\t'; });
    for (std::size_t k = 0; blanks && k + 1 < s->values.size(); ++k) {
      const LoggedValue& v = s->values[k];
      const LoggedValue& next = s->values[k + 1];
      if (v.separator == ',' && next.record == v.record && next.column == v.end_column + 1) {
        commas.lines.push_back(v.record);
        if (commas.example.empty())
          commas.example = cat("line ", std::to_string(v.record), ": ", shown(v.text + "," + next.text));
      }
    }
  }
  if (commas.lines.empty()) return;
  f.add("climate-decimal-comma", name + " " + line_list(commas.lines),
        "a decimal comma (" + commas.example +
            "): laifit reads a comma as a separator, so the number becomes two values and every later column of "
            "the line moves one place to the right.");
}

}  // namespace

void check_temperatures(const Gathered& g, Findings& f) {
  for (const int unit : {unit::kClimate1, unit::kClimate2}) {
    const std::string* name = g.name(unit == unit::kClimate1 ? kClimate1 : kClimate2);
    if (name == nullptr || g.log.of(unit, *name).empty()) continue;
    check_commas(g, unit, *name, f);
    const ClimateFileReadings file = readings_of(g, unit, *name);
    double middle = 0.0;
    const std::string season = season_unit(file, middle);
    check_season_unit(file, season, middle, f);
    check_values(file, !season.empty(), f);
    check_max_below_min(file, f);
  }
}

}  // namespace laifit::inspect
