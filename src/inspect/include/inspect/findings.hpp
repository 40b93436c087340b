#pragma once
// What the inspector tells a person: warnings (the run will not do what the inputs seem to say, or a
// fit that cannot be trusted) and notes (how the fit came out). Each names the place in the user's
// terms, says what laifit does there and how to fix it; its kind, severity, title and fix come from the
// catalogue.

#include <string>
#include <string_view>
#include <vector>

#include "inspect/catalogue.hpp"

namespace laifit::inspect {

struct Finding {
  Severity severity = Severity::warning;
  std::string where;  // "obs.csv line 7, column lai(n)", "param.soj line 5", "the fit"
  std::string what;   // what laifit reads or does there, with the catalogue's stop sentence
  std::string fix;    // how to fix it ("" when nothing needs fixing)
  std::string code;   // the catalogue's code: "decimal-comma"
  std::string title;  // the catalogue's title
};

class Findings {
 public:
  // A finding of the catalogue's kind code at where. detail sharpens the catalogue's fix with this
  // folder's value ("write decimals with a point: 4.5").
  void add(std::string_view code, std::string where, std::string what, std::string_view detail = "");
  const std::vector<Finding>& all() const { return all_; }
  std::size_t warnings() const;
  bool has(std::string_view code) const;
  // Whether a finding already says why laifit stops (its catalogue row stops the run).
  bool explains_stop() const;

 private:
  std::vector<Finding> all_;
};

}  // namespace laifit::inspect
