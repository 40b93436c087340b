#pragma once
// What the inspector tells a person: warnings (the run will not do what the inputs seem to say, or a
// fit that cannot be trusted for a reason in the inputs) and notes (how the fit came out). Each names
// the place in the user's terms, says what laifit does there and, when there is one, how to fix it.

#include <string>
#include <string_view>
#include <vector>

namespace laifit::inspect {

enum class Severity { warning, note };

struct Finding {
  Severity severity = Severity::warning;
  std::string where;  // "obs.csv line 7, column lai(n)", "param.soj line 5", "the fit"
  std::string what;   // what laifit reads or does there
  std::string fix;    // how to fix it ("" when nothing needs fixing)
  // A short fixed name of the kind of finding, for tests and for the CSV of findings: "decimal-comma".
  std::string code;
};

class Findings {
 public:
  void warn(std::string code, std::string where, std::string what, std::string fix = "") {
    all_.push_back(Finding{Severity::warning, std::move(where), std::move(what), std::move(fix), std::move(code)});
  }
  void note(std::string code, std::string where, std::string what, std::string fix = "") {
    all_.push_back(Finding{Severity::note, std::move(where), std::move(what), std::move(fix), std::move(code)});
  }
  const std::vector<Finding>& all() const { return all_; }
  std::size_t warnings() const;
  bool has(std::string_view code) const;

  // A finding has said why the run stops, so that the bare cause need not be repeated.
  void explain_stop() { stop_explained_ = true; }
  bool stop_explained() const { return stop_explained_; }

 private:
  std::vector<Finding> all_;
  bool stop_explained_ = false;
};

}  // namespace laifit::inspect
