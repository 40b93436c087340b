#pragma once
// The climate files as the thermal-time reading took them: years, days and their coverage of emergence
// and of every observation point.

#include <cstdint>
#include <string>
#include <vector>

#include "inspect/findings.hpp"
#include "inspect/gather.hpp"
#include "inspect/run_view.hpp"
#include "inspect/table.hpp"

namespace laifit::inspect {

struct ClimateFileView {
  std::string name;
  int unit = 0;
  std::size_t records = 0;  // records the run read
  std::int32_t first_year = 0, last_year = 0;
  std::int32_t first_jour = 0, last_jour = 0;
};

struct ClimateView {
  std::vector<ClimateFileView> files;
  std::vector<bool> accumulated;             // accumulated[d]: day number d has a climate record from emergence on
  std::int32_t first_day = 0, last_day = 0;  // the first and last accumulated day numbers (0: none)

  bool has(std::int32_t day) const {
    return day >= 0 && static_cast<std::size_t>(day) < accumulated.size() && accumulated[static_cast<std::size_t>(day)];
  }
};

ClimateView climate_view(const Gathered& g);

// The table line of an observation point, or 0 for a forced emergence point.
std::int64_t point_line(const TableView& table, const RunPoint& point);

// A failed or short climate record, the same file twice, years against the observations, points that get
// thermal time 0, a two-year crop read with one climate year, repeated, backward or missing days, a base
// temperature that no day reaches.
void check_climate(const Gathered& g, const ClimateView& climate, const TableView& table, Findings& findings);

// The temperatures laifit takes: missing-value codes, values no field has, a season in degrees Fahrenheit
// or in tenths of a degree, decimal commas, maximum below minimum.
void check_temperatures(const Gathered& g, Findings& findings);

}  // namespace laifit::inspect
