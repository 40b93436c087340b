#pragma once
// Every kind of finding the inspector makes, in one table: its code, its severity, whether laifit stops
// on it (and with which exit status), a title and the fix. A finding is drawn by the code of its row;
// the sentence that says laifit stops comes from the row alone, so adding a kind of finding is one row
// plus the function that detects it.

#include <span>
#include <string>
#include <string_view>

namespace laifit::inspect {

enum class Severity { warning, note };

// The exit status of a row whose finding does not stop laifit.
inline constexpr int kGoesOn = -1;

struct CatalogueEntry {
  std::string_view code;  // a short fixed name: "decimal-comma"
  Severity severity = Severity::warning;
  int stops = kGoesOn;     // laifit's exit status when the finding ends its run there, else kGoesOn
  std::string_view title;  // what went wrong, in a few words
  std::string_view fix;    // how to fix it ("" when nothing needs fixing)
};

std::span<const CatalogueEntry> catalogue();

// The row of code; a code not in the table is a fault of the inspector's own code.
const CatalogueEntry& catalogue_entry(std::string_view code);

// The sentence of every finding that stops laifit: "laifit stops there (exit status 2), with no fit."
std::string stop_sentence(int status);

// The thresholds the findings are drawn at, stated once.
struct Thresholds {
  // Above this a value is not a leaf area index but another column's number (a year, a density).
  static constexpr double largest_lai = 20.0;
  // A daily temperature beyond this, either way, is no air temperature of a field, in °C.
  static constexpr double coldest_day = -60.0, warmest_day = 60.0;
  // A season's median daily mean above this is in degrees Fahrenheit.
  static constexpr double fahrenheit_median = 40.0;
  // Whole-number temperatures with a median above this are in tenths of a degree.
  static constexpr double tenths_median = 60.0;
  // Values that stations write for a missing temperature.
  static constexpr double sentinels[] = {-99.0, -99.9, -999.0, -9999.0, 999.0, 9999.0};
  // A zero LAI between two observations of at least this much is a missing value typed as 0; lower
  // neighbours are the noise of an emerging crop.
  static constexpr double canopy_lai = 0.5;
  // Zero observations after the last positive one that mark a series padded with zeros.
  static constexpr int trailing_zeros = 2;
};

}  // namespace laifit::inspect
