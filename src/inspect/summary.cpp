#include <set>

#include "inspect/fit.hpp"
#include "inspect/inspect.hpp"
#include "inspect/outputs.hpp"
#include "inspect/text.hpp"

namespace laifit::inspect {

namespace {

// A figure as the shortest decimal that reads back as the same float; empty when it is not finite.
std::string number_cell(double v) {
  const float f = static_cast<float>(v);
  return f - f == 0.0f ? shortest(f) : "";
}

std::size_t warnings_of(const Outcome& o) {
  std::size_t n = 0;
  for (const Finding& f : o.findings) n += f.severity == Severity::warning ? 1 : 0;
  return n;
}

// Every code of the folder's findings once, in the order they were found.
std::string codes_of(const Outcome& o) {
  std::string codes;
  std::set<std::string> seen;
  for (const Finding& f : o.findings) {
    if (!seen.insert(f.code).second) continue;
    codes += (codes.empty() ? "" : " ") + f.code;
  }
  return codes;
}

}  // namespace

std::string stop_code(EstimatorExit exit) {
  switch (exit) {
    case EstimatorExit::rejected: return "rejected";
    case EstimatorExit::parameters_converged: return "parameters_converged";
    case EstimatorExit::sum_converged: return "sum_converged";
    case EstimatorExit::iteration_limit: return "iteration_limit";
    case EstimatorExit::no_reduction: return "no_reduction";
    case EstimatorExit::stopped_by_observer: return "stopped_by_observer";
  }
  return "";
}

std::string summary_csv(const std::vector<Inspected>& inspected) {
  std::string out =
      "folder,status,warnings,codes,p1,p2,p3,p4,p5,est1,est2,est3,est4,est5,rmse,bias,r2,iterations,stop,"
      "first_day,last_day\n";
  for (const Inspected& in : inspected) {
    const Outcome& o = *in.outcome;
    out += csv_cell(in.folder.string()) + "," + std::to_string(o.status);
    if (o.findings.empty() && o.report.empty()) {
      out += std::string(19, ',') + "\n";  // not inspected: its status alone
      continue;
    }
    out += "," + std::to_string(warnings_of(o)) + "," + csv_cell(codes_of(o));
    const FitView* fit = o.fit && o.fit->fitted && !o.fit->points.empty() ? o.fit.get() : nullptr;
    for (int k = 0; k < 5; ++k) out += "," + (fit ? number_cell(fit->used[static_cast<std::size_t>(k)]) : "");
    for (int k = 0; k < 5; ++k)
      out += "," + (fit ? std::string(fit->estimated[static_cast<std::size_t>(k)] ? "1" : "0") : "");
    if (fit) {
      out += "," + number_cell(fit->rmse) + "," + number_cell(fit->bias) + "," +
             (fit->r2 ? number_cell(*fit->r2) : "") + "," + std::to_string(fit->estimator.iterations) + "," +
             stop_code(fit->estimator.exit) + "," +
             (fit->series.empty()
                  ? ","
                  : std::to_string(fit->series.front().day) + "," + std::to_string(fit->series.back().day));
    } else {
      out += std::string(7, ',');
    }
    out += "\n";
  }
  return out;
}

}  // namespace laifit::inspect
