#include "inspect/report.hpp"

#include <algorithm>
#include <cstdio>

#include "inspect/inputs.hpp"
#include "inspect/text.hpp"

namespace laifit::inspect {
namespace {

constexpr std::size_t kLineWidth = 100;

std::string pad(std::string s, std::size_t width) {
  if (s.size() < width) s.append(width - s.size(), ' ');
  return s;
}
std::string right(std::string s, std::size_t width) {
  if (s.size() < width) s.insert(0, width - s.size(), ' ');
  return s;
}

std::string item(std::string_view label, std::string_view text) {
  return wrap(text, kLineWidth, "  " + pad(std::string(label), 18), std::string(20, ' '));
}

std::string findings_block(const Findings& f, Severity severity, const char* title) {
  std::string out;
  std::size_t n = 0;
  for (const Finding& x : f.all()) n += x.severity == severity ? 1 : 0;
  if (n == 0) return std::string(title) + ": none\n";
  out += std::string(title) + " (" + std::to_string(n) + ")\n";
  std::size_t k = 0;
  for (const Finding& x : f.all()) {
    if (x.severity != severity) continue;
    const std::string number = std::to_string(++k) + ". ";
    out +=
        wrap(x.title + ". " + x.where + ": " + x.what, kLineWidth, "  " + number, std::string(2 + number.size(), ' '));
    if (!x.fix.empty())
      out +=
          wrap("Fix: " + x.fix, kLineWidth, std::string(2 + number.size(), ' '), std::string(7 + number.size(), ' '));
  }
  return out;
}

// The observation table and emergence, as the run read them.
std::string observations_block(const ReportParts& p, const RunInputs& in) {
  std::string out;
  const TableView& t = p.table;
  if (t.header_read) {
    std::string text = t.name + ": " + count_of(t.rows.size(), "row", "rows");
    if (t.collai > 0) text += "; lai(n) is column " + std::to_string(t.collai);
    if (p.fit.fitted || !in.points.empty()) {
      text += "; " + count_of(in.points.size(), "observation point", "observation points");
    }
    out += item("observations", text);
  }
  if (in.has_rows) {
    const Date e = date_of_day(in.sowing_year, in.emergence_day);
    std::string text =
        dmy(e) + ", day " + std::to_string(in.emergence_day) + " (sowing year " + std::to_string(in.sowing_year) + ")";
    if (!in.points.empty() && in.points[0].day == in.emergence_day) {
      text +=
          in.points[0].row == 0 ? "; no observation that day: laifit adds the point (emergence, LAI 0)" : "; observed";
    }
    out += item("emergence", text);
  }
  return out;
}

// The climate files, the climate-year code, the base temperature and the parameters, as read.
std::string settings_block(const ReportParts& p, const RunDescription& rd, const RunInputs& in) {
  std::string out;
  for (const ClimateFileView& c : p.climate.files) {
    if (c.records == 0) continue;
    const std::string years = c.first_year == c.last_year
                                  ? std::to_string(c.first_year)
                                  : std::to_string(c.first_year) + " to " + std::to_string(c.last_year);
    out += item("climate", c.name + ": " + count_of(c.records, "record", "records") + " of " + years + ", days " +
                               std::to_string(c.first_jour) + " to " + std::to_string(c.last_jour));
  }
  if (rd.at(6) != nullptr && rd.at(6)->ended) {
    out += item("climate years", in.climate_years == 1 ? "1: one climate year"
                                                       : std::to_string(in.climate_years) + ": two climate years");
  }
  if (rd.at(7) != nullptr && rd.at(7)->ended) out += item("base temperature", shortest(in.base_temperature) + " °C");
  if (rd.lines.size() >= 12 && rd.at(12)->ended) {
    std::string text;
    for (std::size_t k = 0; k < 5; ++k) {
      if (k > 0) text += ", ";
      text += cat("p", std::to_string(k + 1), " ", shortest(in.values[k])) +
              (in.switches[k] == 1   ? " (start)"
               : in.switches[k] == 0 ? " (held)"
                                     : " (switch " + std::to_string(in.switches[k]) + ")");
    }
    out += item("parameters", text);
  }
  return out;
}

std::string folder_block(const ReportParts& p) {
  const RunDescription rd = run_description(p.gathered);
  const RunInputs in = run_inputs(p.gathered.details);
  const auto complete = static_cast<std::size_t>(std::count_if(
      rd.lines.begin(), rd.lines.end(), [](const LoggedStatement* s) { return s->ended && !s->end_of_file; }));
  return "Run folder\n" +
         item("run description", "param.soj, " + count_of(complete, "value line read", "value lines read") +
                                     (complete == 12 ? "" : " of 12")) +
         observations_block(p, in) + settings_block(p, rd, in);
}

std::string parameters_block(const FitView& fit) {
  std::string out;
  for (std::size_t k = 0; k < 5; ++k) {
    std::string text = shortest(fit.used[k]);
    if (fit.estimated[k]) {
      text = pad(text, 14) + "estimated from " + shortest(fit.start[k]);
      if (fit.limits[k]) {
        text += "; limits " + significant((*fit.limits[k])[0], 5) + " to " + significant((*fit.limits[k])[1], 5);
      }
    } else {
      text = pad(text, 14) + "held";
    }
    out += item(cat("p", std::to_string(k + 1)), text);
  }
  const EstimatorView& e = fit.estimator;
  std::string sums = "sum of squares " + significant(e.sum_of_squares, 6);
  if (e.residual_variance) {
    sums += ", residual variance " + significant(*e.residual_variance, 6) + " with " +
            count_of(static_cast<std::size_t>(e.degrees_of_freedom), "degree of freedom", "degrees of freedom");
  }
  return out + item("residuals", sums);
}

std::string points_block(const FitView& fit) {
  if (fit.points.empty()) return "";
  std::string out = "\n  " + right("line", 6) + right("day", 6) + "  " + pad("date", 10) + right("thermal time", 14) +
                    right("observed", 10) + right("fitted", 10) + right("residual", 10) + "\n";
  for (const FitPoint& pt : fit.points) {
    std::string row = "  " + right(pt.line > 0 ? std::to_string(pt.line) : "-", 6) + right(std::to_string(pt.day), 6) +
                      "  " + pad(dmy(pt.date), 10) + right(fixed(pt.thermal_time, 1), 14) +
                      right(fixed(pt.observed, 3), 10) + right(fixed(pt.fitted, 3), 10) +
                      right(cat(pt.residual >= 0 ? "+" : "", fixed(pt.residual, 3)), 10);
    if (pt.line == 0) row += "   emergence, added";
    out += row + "\n";
  }
  std::string stats = "RMSE " + significant(fit.rmse, 4) + ", bias " + significant(fit.bias, 3);
  if (fit.r2) stats += ", R² " + fixed(*fit.r2, 4);
  stats += " over " + count_of(fit.points.size(), "point", "points") + " (residual = fitted - observed)";
  return out + "\n" + item("agreement", stats);
}

std::string series_block(const FitView& fit) {
  if (fit.series.empty()) return "";
  const SeriesDay& a = fit.series.front();
  const SeriesDay& b = fit.series.back();
  std::string text = "day " + std::to_string(a.day) + " (" + dmy(date_of_day(fit.sowing_year, a.day)) + ") to day " +
                     std::to_string(b.day) + " (" + dmy(date_of_day(fit.sowing_year, b.day)) + "), " +
                     count_of(fit.series.size(), "day", "days") + ": ";
  switch (fit.end) {
    case FitView::End::back_to_zero: text += "it ends where the curve comes back to zero"; break;
    case FitView::End::climate_end:
      text += "it ends with the climate data (thermal time " + fixed(b.thermal_time, 1) + ")";
      break;
    case FitView::End::day_table:
      text += "it ends on day " + std::to_string(kDayTable) + ", the end of laifit's day table";
      break;
    case FitView::End::none: break;
  }
  return item("LAI series", text);
}

std::string fit_block(const ReportParts& p) {
  const Gathered& g = p.gathered;
  const FitView& fit = p.fit;
  std::string out = "Fit\n";
  if (!g.recomputed) return out + item("not computed", g.not_recomputed);
  if (g.status != 0)
    return out + item("none", "laifit stops before the fit (exit status " + std::to_string(g.status) + ")");
  if (!fit.fitted) return out + item("none", "laifit makes no fit for these inputs");
  out += item("computed by",
              "laifit's own run on copies of the inputs, in a scratch folder; the values below are its "
              "own, not the rounded ones of its files");
  std::string outputs;
  for (const OutputState& o : compare_outputs(g)) {
    outputs += (outputs.empty() ? "" : "; ") + o.name +
               (o.state == OutputState::State::matches ? " matches it" : " is stale (see the warnings)");
  }
  out += item("folder's outputs", outputs.empty() ? "none yet (laifit has not run in the folder)" : outputs);
  out += item("estimator", exit_words(fit.estimator));
  return out + parameters_block(fit) + points_block(fit) + series_block(fit);
}

}  // namespace

std::string wrap(std::string_view text, std::size_t width, std::string_view first, std::string_view indent) {
  // Greedy: each line takes as much of the text as fits, cut at a blank; the blanks inside a line stay.
  std::string out;
  std::string_view lead = first;
  while (true) {
    const std::size_t room = width > lead.size() ? width - lead.size() : 1;
    if (text.size() <= room) break;
    std::size_t cut = text.rfind(' ', room);
    if (cut == std::string_view::npos || cut == 0) cut = text.find(' ', room);
    if (cut == std::string_view::npos) break;
    std::string_view head = text.substr(0, cut);
    while (!head.empty() && head.back() == ' ') head.remove_suffix(1);
    out += cat(lead, head, "\n");
    text.remove_prefix(cut);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    lead = indent;
  }
  return cat(out, lead, text, "\n");
}

std::string report_text(const ReportParts& p, bool quiet) {
  const Findings& f = p.findings;
  if (quiet) return f.warnings() == 0 ? "" : findings_block(f, Severity::warning, "Warnings");
  std::string out = "laifit-inspect: " + p.gathered.folder.string() + "\n\n";
  out += folder_block(p) + "\n";
  out += findings_block(f, Severity::warning, "Warnings") + "\n";
  out += fit_block(p) + "\n";
  out += findings_block(f, Severity::note, "Notes");
  return out;
}

}  // namespace laifit::inspect
