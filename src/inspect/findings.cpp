#include "inspect/findings.hpp"

#include <algorithm>

namespace laifit::inspect {

std::size_t Findings::warnings() const {
  return static_cast<std::size_t>(
      std::count_if(all_.begin(), all_.end(), [](const Finding& f) { return f.severity == Severity::warning; }));
}

bool Findings::has(std::string_view code) const {
  return std::any_of(all_.begin(), all_.end(), [&](const Finding& f) { return f.code == code; });
}

}  // namespace laifit::inspect
