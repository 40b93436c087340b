#include "inspect/findings.hpp"

#include <algorithm>

namespace laifit::inspect {

void Findings::add(std::string_view code, std::string where, std::string what, std::string_view detail) {
  const CatalogueEntry& row = catalogue_entry(code);
  if (row.stops != kGoesOn) what += " " + stop_sentence(row.stops);
  std::string fix(row.fix);
  if (!detail.empty()) fix = fix.empty() ? std::string(detail) : fix + ": " + std::string(detail);
  all_.push_back(Finding{row.severity, std::move(where), std::move(what), std::move(fix), std::string(row.code),
                         std::string(row.title)});
}

std::size_t Findings::warnings() const {
  return static_cast<std::size_t>(
      std::count_if(all_.begin(), all_.end(), [](const Finding& f) { return f.severity == Severity::warning; }));
}

bool Findings::has(std::string_view code) const {
  return std::any_of(all_.begin(), all_.end(), [&](const Finding& f) { return f.code == code; });
}

bool Findings::explains_stop() const {
  return std::any_of(all_.begin(), all_.end(),
                     [](const Finding& f) { return catalogue_entry(f.code).stops != kGoesOn; });
}

}  // namespace laifit::inspect
