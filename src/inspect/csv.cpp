#include "inspect/outputs.hpp"
#include "inspect/text.hpp"

namespace laifit::inspect {
std::string csv_text(const FitView& fit) {
  // Every field is a number, a date or empty: none needs quotes.
  std::string out = "line,day,date,thermal_time,observed,fitted,residual\n";
  for (const FitPoint& p : fit.points) {
    out += (p.line > 0 ? std::to_string(p.line) : "") + "," + std::to_string(p.day) + "," + iso(p.date) + "," +
           shortest(p.thermal_time) + "," + shortest(p.observed) + "," + shortest(p.fitted) + "," +
           shortest(p.residual) + "\n";
  }
  return out;
}

}  // namespace laifit::inspect
