#include "inspect/climate.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "inspect/cause.hpp"
#include "inspect/text.hpp"
#include "state/units_of_run.hpp"

namespace laifit::inspect {
namespace {

constexpr std::array<const char*, 10> kValueNames = {"station", "year", "month", "day", "day of the year",
                                                     "tn",      "tx",   "rg",    "etp", "rr"};

const std::string& file_name(const Gathered& g, int unit) {
  static const std::string none;
  const std::string* n = g.name(unit == unit::kClimate1 ? kClimate1 : kClimate2);
  return n != nullptr ? *n : none;
}

void check_reads(const Gathered& g, Findings& f) {
  for (const int unit : {unit::kClimate1, unit::kClimate2}) {
    const std::string& name = file_name(g, unit);
    if (name.empty()) continue;
    bool short_seen = false;
    for (const LoggedStatement* s : g.log.of(unit, name)) {
      if (!s->ended && !s->values.empty() && s->values.back().record > s->values.front().record) {
        const LoggedValue& v = s->values.back();
        f.add("climate-short-line", name + " line " + std::to_string(s->values.front().record),
              "holds fewer than the ten values of a climate record: laifit takes the rest from line " +
                  std::to_string(v.record) + ", where " + shown(v.text) + " is not a number.");
        return;
      }
      if (!s->ended && !s->values.empty()) {
        const LoggedValue& v = s->values.back();
        const std::size_t item = static_cast<std::size_t>(std::max(1, v.item) - 1) % kValueNames.size();
        std::string what = "value " + std::to_string(item + 1) + " (" + kValueNames[item] + ") is " + shown(v.text) +
                           ", not " + (v.kind == ReadValue::Kind::integer ? "a whole number" : "a number") + ".";
        if (v.record == 1 && item <= 1) what += " A climate file has no header line.";
        f.add("climate-not-a-number", name + " line " + std::to_string(v.record), what);
        return;
      }
      if (!short_seen && s->ended && !s->end_of_file && !s->values.empty() &&
          s->values.back().record > s->values.front().record) {
        short_seen = true;
        const std::int64_t line = s->values.front().record;
        f.add("climate-line-shift", name + " line " + std::to_string(line),
              "holds fewer than the ten values of a climate record: laifit takes the rest from line " +
                  std::to_string(s->values.back().record) + ", and reads every later line out of step.");
      }
    }
  }
  if (g.details.failure && cause_kind(*g.details.failure) == CauseKind::already_open) {
    f.add("same-climate-file", "param.soj lines 1 and 2",
          "name the same climate file for both years: laifit cannot open it twice.");
  }
}

// A list of table lines for the points whose days pass the test.
template <class Test>
std::vector<std::int64_t> points_where(const Gathered& g, const TableView& t, Test test) {
  std::vector<std::int64_t> lines;
  const RunInputs in = run_inputs(g.details);
  for (const RunPoint& p : in.points) {
    if (p.day == in.emergence_day) continue;  // the emergence point: thermal time 0 is its origin anyway
    if (test(p.day)) lines.push_back(point_line(t, p));
  }
  return lines;
}

// The first record of a climate file whose year column is not the year the run takes the file for.
const ClimateRecord* first_of_other_year(const RunDetails& d, int unit, std::int64_t expected) {
  for (const ClimateRecord& r : d.fit.climate) {
    if (r.unit == unit && r.an != expected) return &r;
  }
  return nullptr;
}

void check_years(const Gathered& g, const ClimateView& c, Findings& f) {
  const RunDetails& d = g.details;
  if (!d.has_rows) return;
  for (const ClimateFileView& file : c.files) {
    if (file.records == 0) continue;
    const std::int64_t expected = file.unit == unit::kClimate1 ? d.ansemis : next_year(d.ansemis);
    if (file.first_year == expected && file.last_year == expected) continue;
    const ClimateRecord* other = first_of_other_year(d, file.unit, expected);
    const std::string years = file.first_year == file.last_year
                                  ? std::to_string(file.first_year)
                                  : std::to_string(file.first_year) + " to " + std::to_string(file.last_year);
    f.add("climate-year",
          file.name + (file.unit == unit::kClimate1 ? " (the climate file of the sowing year)"
                                                    : " (the climate file of the following year)"),
          "holds the year " + years + ", but the observations make " + std::to_string(expected) + " its year (" +
              (file.unit == unit::kClimate1 ? "the sowing year, the year of the first row of the table"
                                            : "the year after the sowing year") +
              "): laifit matches days by their number in the year only, so every observation gets the thermal "
              "time of the same day in " +
              years + " (line " + std::to_string(other->record) +
              " is the first of another year: its year column holds " + std::to_string(other->an) + ").",
          "the file of " + std::to_string(expected));
  }
}

void check_coverage(const Gathered& g, const ClimateView& c, const TableView& t, Findings& f) {
  const RunDetails& d = g.details;
  if (!d.fit.fitted) return;
  const RunInputs in = run_inputs(d);
  const std::int32_t emergence = in.emergence_day;
  const std::int32_t last_point = in.last_point_day();
  const std::int32_t nbjansemis = d.nbjansemis > 0 ? d.nbjansemis : 365;
  if (in.climate_years == 1 && (last_point > nbjansemis || emergence > nbjansemis)) {
    const Date end = date_of_day(d.ansemis, std::max(last_point, emergence));
    f.add("one-climate-year", "param.soj line 6 (the climate-year code)",
          "is 1, one climate year, but the crop runs into " + std::to_string(next_year(d.ansemis)) + " (up to day " +
              std::to_string(std::max(last_point, emergence)) + ", " + dmy(end) + "): laifit reads only " +
              file_name(g, unit::kClimate1) + ", so the days of " + std::to_string(next_year(d.ansemis)) +
              " get thermal time 0.",
          "the climate file of " + std::to_string(next_year(d.ansemis)));
  }
  if (c.last_day == 0) {
    f.add("no-climate-days", "the climate data",
          "have no day from emergence (day " + std::to_string(emergence) + ", " +
              dmy(date_of_day(d.ansemis, emergence)) +
              ") on: every thermal time is 0, and the estimator fits the curve at a single time.");
    return;
  }
  const auto early = points_where(g, t, [&](std::int32_t day) { return day < emergence; });
  if (!early.empty()) {
    f.add("before-emergence", t.name + " " + line_list(early),
          "an LAI value dated before emergence (day " + std::to_string(emergence) + ", " +
              dmy(date_of_day(d.ansemis, emergence)) +
              "): laifit keeps it as an observation point after the emergence point, out of the order of the "
              "days, and its thermal time is that of a day before emergence, where the thermal time is not counted.");
  }
  const auto after = points_where(g, t, [&](std::int32_t day) { return !c.has(day) && day > c.last_day; });
  const auto before =
      points_where(g, t, [&](std::int32_t day) { return !c.has(day) && day < c.first_day && day >= emergence; });
  const auto inside =
      points_where(g, t, [&](std::int32_t day) { return !c.has(day) && day >= c.first_day && day <= c.last_day; });
  const std::string span = "the climate data run from day " + std::to_string(c.first_day) + " (" +
                           dmy(date_of_day(d.ansemis, c.first_day)) + ") to day " + std::to_string(c.last_day) + " (" +
                           dmy(date_of_day(d.ansemis, c.last_day)) + ")";
  auto warn = [&](const std::vector<std::int64_t>& lines, const std::string& why) {
    if (lines.empty()) return;
    f.add("zero-thermal-time", t.name + " " + line_list(lines),
          count_of(lines.size(), "observation gets", "observations get") + " thermal time 0, " + why + "; " + span +
              ". The fit takes them as observed at emergence.");
  };
  warn(after, "after the end of the climate data");
  warn(before, "before the first day of the climate data");
  warn(inside, "on days missing from the climate file");
}

void check_days(const Gathered& g, Findings& f) {
  const RunDetails& d = g.details;
  struct Problem {
    std::int64_t line;
    std::string text;
  };
  std::vector<Problem> problems;
  std::string problem_file;
  const ClimateRecord* prev = nullptr;
  const ClimateRecord* last_of_first = nullptr;
  for (const ClimateRecord& r : d.fit.climate) {
    if (!r.accumulated) continue;
    if (r.unit == unit::kClimate1) last_of_first = &r;
    if (prev != nullptr && prev->unit == r.unit) {
      if (r.day <= prev->day) {
        problems.push_back(
            {r.record, "line " + std::to_string(r.record) + " gives day " + std::to_string(r.jour) +
                           (r.day == prev->day ? " again" : " after day " + std::to_string(prev->jour))});
      } else if (r.day > prev->day + 1) {
        // Day numbers within the table, so that only the days of the year can be absurd.
        const std::int64_t from = std::int64_t{prev->jour} + 1, to = std::int64_t{r.jour} - 1;
        const bool one = from == to;
        problems.push_back({r.record, (one ? "day " : "days ") + std::to_string(from) +
                                          (one ? "" : " to " + std::to_string(to)) + (one ? " is" : " are") +
                                          " missing (before line " + std::to_string(r.record) + ")"});
      }
      if (problem_file.empty() && !problems.empty()) problem_file = file_name(g, r.unit);
    }
    prev = &r;
  }
  if (!problems.empty()) {
    std::vector<std::int64_t> lines;
    std::string what;
    for (std::size_t k = 0; k < problems.size(); ++k) {
      lines.push_back(problems[k].line);
      if (k < 3) what += (k > 0 ? "; " : "") + problems[k].text;
    }
    if (problems.size() > 3) what += "; and so on";
    f.add("climate-days", problem_file + " " + line_list(lines),
          "the days do not follow each other: " + what +
              ". A repeated or backward day overwrites the thermal time of that day with the running sum, and a "
              "missing day has thermal time 0.");
  }
  // With two climate years, the second file's days follow the first file's last day.
  const bool second_read = std::any_of(d.fit.climate.begin(), d.fit.climate.end(),
                                       [](const ClimateRecord& r) { return r.unit == unit::kClimate2; });
  if (second_read && last_of_first != nullptr && d.has_rows && last_of_first->jour != d.nbjansemis) {
    f.add("climate-year-length", file_name(g, unit::kClimate1),
          "ends on day " + std::to_string(last_of_first->jour) + ", but laifit counts " + std::to_string(d.nbjansemis) +
              " days in " + std::to_string(d.ansemis) + ": the days of the second climate file are numbered from day " +
              std::to_string(std::int64_t{last_of_first->jour} + 1) + ", out of step with the observations of " +
              std::to_string(next_year(d.ansemis)) + ".");
  }
}

void check_base(const Gathered& g, Findings& f) {
  const RunDetails& d = g.details;
  float warmest = -INFINITY;
  bool any = false;
  for (const ClimateRecord& r : d.fit.climate) {
    if (!r.accumulated) continue;
    any = true;
    if (r.diff > 0.0f) return;
    warmest = std::max(warmest, r.tm);
  }
  if (!any) return;
  f.add("base-not-reached", "param.soj line 7 (the base temperature)",
        "no day from emergence on has a mean temperature above the base temperature " +
            shortest(run_inputs(d).base_temperature) + " °C (the warmest daily mean is " + shortest(warmest) +
            " °C): the thermal time stays 0, and the fit has no time axis.");
}

}  // namespace

ClimateView climate_view(const Gathered& g) {
  ClimateView c;
  c.accumulated.assign(kDayTable + 1, false);
  for (const int unit : {unit::kClimate1, unit::kClimate2}) {
    ClimateFileView file;
    file.name = file_name(g, unit);
    file.unit = unit;
    for (const ClimateRecord& r : g.details.fit.climate) {
      if (r.unit != unit) continue;
      if (file.records == 0) {
        file.first_year = file.last_year = r.an;
        file.first_jour = r.jour;
      }
      file.first_year = std::min(file.first_year, r.an);
      file.last_year = std::max(file.last_year, r.an);
      file.last_jour = r.jour;
      ++file.records;
      if (r.accumulated && in_day_table(r.day)) {
        c.accumulated[static_cast<std::size_t>(r.day)] = true;
        if (c.first_day == 0 || r.day < c.first_day) c.first_day = r.day;
        c.last_day = std::max(c.last_day, r.day);
      }
    }
    if (file.records > 0 || unit == unit::kClimate1) c.files.push_back(file);
  }
  return c;
}

std::int64_t point_line(const TableView& table, const RunPoint& point) {
  const std::int64_t record = point.row;
  if (record < 1 || static_cast<std::size_t>(record) > table.rows.size()) return 0;
  return table.rows[static_cast<std::size_t>(record - 1)].line;
}

void check_climate(const Gathered& g, const ClimateView& c, const TableView& t, Findings& f) {
  check_reads(g, f);
  check_years(g, c, f);
  check_coverage(g, c, t, f);
  check_days(g, f);
  check_base(g, f);
  check_temperatures(g, f);
}

}  // namespace laifit::inspect
