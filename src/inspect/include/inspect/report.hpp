#pragma once
// The inspector's report for the screen: the run folder in brief, the warnings, the fit with its table
// of observations, and the notes.

#include <string>

#include "inspect/climate.hpp"
#include "inspect/findings.hpp"
#include "inspect/fit.hpp"
#include "inspect/gather.hpp"
#include "inspect/table.hpp"

namespace laifit::inspect {

struct ReportParts {
  const Gathered& gathered;
  const TableView& table;
  const ClimateView& climate;
  const FitView& fit;
  const Findings& findings;
};

// The whole report; quiet: the warnings alone (nothing when there are none).
std::string report_text(const ReportParts& parts, bool quiet);

// A paragraph cut into lines of at most width characters, each after indent (the first after first).
std::string wrap(std::string_view text, std::size_t width, std::string_view first, std::string_view indent);

}  // namespace laifit::inspect
