#include "inspect/fit.hpp"
#include "inspect/inspect.hpp"
#include "inspect/outputs.hpp"
#include "inspect/text.hpp"

namespace laifit::inspect {

namespace {

// The page's style and its sorting script: inline, so that the page needs no other file or network.
constexpr const char* kStyle = R"(body{font-family:sans-serif;margin:1.5em;color:#222}
table{border-collapse:collapse;margin:0.5em 0}th,td{border:1px solid #bbb;padding:2px 6px;text-align:right}
th{background:#eee;cursor:pointer}td.text,th.text{text-align:left}td{white-space:nowrap}tr.warned td{background:#fff0d0}
tr.failed td{background:#fbd5d5}li.warning{color:#8a4b00}li.note{color:#335}section{margin-top:2em}
.picture svg{max-width:100%;height:auto})";

constexpr const char* kScript = R"(
(function () {
  var table = document.getElementById('summary');
  var body = table.tBodies[0];
  var heads = table.tHead.rows[0].cells;
  function key(row, column, numeric) {
    var text = row.cells[column].getAttribute('data-value');
    if (text === null) text = row.cells[column].textContent;
    if (!numeric) return text;
    var v = parseFloat(text);
    return isNaN(v) ? Infinity : v;
  }
  function sortBy(column) {
    var numeric = heads[column].getAttribute('data-type') === 'number';
    var down = body.getAttribute('data-column') === String(column) && body.getAttribute('data-order') === 'up';
    var rows = Array.prototype.slice.call(body.rows);
    rows.sort(function (a, b) {
      var x = key(a, column, numeric), y = key(b, column, numeric);
      var c = x < y ? -1 : x > y ? 1 : 0;
      return down ? -c : c;
    });
    rows.forEach(function (r) { body.appendChild(r); });
    body.setAttribute('data-column', String(column));
    body.setAttribute('data-order', down ? 'down' : 'up');
    for (var k = 0; k < heads.length; ++k) heads[k].removeAttribute('aria-sort');
    heads[column].setAttribute('aria-sort', down ? 'descending' : 'ascending');
  }
  for (var k = 0; k < heads.length; ++k) {
    (function (column) {
      heads[column].tabIndex = 0;
      heads[column].addEventListener('click', function () { sortBy(column); });
      heads[column].addEventListener('keydown', function (e) { if (e.key === 'Enter') sortBy(column); });
    })(k);
  }
})();
)";

std::string cell(std::string_view text, bool is_text = false) {
  return cat(is_text ? "<td class=\"text\">" : "<td>", escaped_xml(text), "</td>");
}

std::string figure(double v, int digits) { return v - v == 0 ? significant(v, digits) : ""; }

std::string summary_row(const Inspected& in, std::size_t number) {
  const Outcome& o = *in.outcome;
  std::size_t warnings = 0;
  for (const Finding& f : o.findings) warnings += f.severity == Severity::warning ? 1 : 0;
  const FitView* fit = o.fit && o.fit->fitted && !o.fit->points.empty() ? o.fit.get() : nullptr;
  std::string row =
      cat("<tr",
          o.status == kCannotInspect ? " class=\"failed\""
          : warnings > 0             ? " class=\"warned\""
                                     : "",
          "><td class=\"text\"><a href=\"#f", std::to_string(number), "\">", escaped_xml(in.folder.string()),
          "</a></td>", cell(std::to_string(o.status)), cell(std::to_string(warnings)));
  row += cell(fit ? figure(fit->rmse, 4) : "") + cell(fit && fit->r2 ? figure(*fit->r2, 4) : "") +
         cell(fit ? figure(fit->bias, 4) : "");
  for (std::size_t k = 0; k < 5; ++k) {
    row += cell(fit ? cat(significant(fit->used[k], 5), fit->estimated[k] ? "" : " (held)") : "");
  }
  row += cell(fit ? std::to_string(fit->estimator.iterations) : "") +
         cell(fit ? stop_code(fit->estimator.exit) : "", true);
  return row + "</tr>\n";
}

std::string summary_table(const std::vector<Inspected>& inspected) {
  std::string s = "<table id=\"summary\">\n<thead><tr><th class=\"text\" data-type=\"text\">folder</th>";
  for (const char* h : {"status", "warnings", "rmse", "r2", "bias", "p1", "p2", "p3", "p4", "p5", "iterations"}) {
    s += cat("<th data-type=\"number\">", h, "</th>");
  }
  s += "<th class=\"text\" data-type=\"text\">stop</th></tr></thead>\n<tbody>\n";
  for (std::size_t k = 0; k < inspected.size(); ++k) s += summary_row(inspected[k], k + 1);
  return s + "</tbody>\n</table>\n";
}

std::string findings_list(const Outcome& o) {
  if (o.findings.empty()) return "<p>No warning, no note.</p>\n";
  std::string s = "<ol class=\"findings\">\n";
  for (const Finding& f : o.findings) {
    const bool warning = f.severity == Severity::warning;
    s += cat("<li class=\"", warning ? "warning" : "note", "\"><b>", warning ? "warning" : "note", "</b> ",
             escaped_xml(f.where), ": ", escaped_xml(f.what),
             f.fix.empty() ? std::string() : cat(" <i>Fix: ", escaped_xml(f.fix), "</i>"), "</li>\n");
  }
  return s + "</ol>\n";
}

std::string points_table(const FitView& fit) {
  std::string s =
      "<table class=\"points\">\n<thead><tr><th>line</th><th>day</th><th>date</th><th>thermal time (°C·d)</th>"
      "<th>observed</th><th>fitted</th><th>residual (fitted − observed)</th></tr></thead>\n<tbody>\n";
  for (const FitPoint& p : fit.points) {
    s += cat("<tr>", cell(p.line > 0 ? std::to_string(p.line) : ""), cell(std::to_string(p.day)), cell(iso(p.date)),
             cell(shortest(p.thermal_time)), cell(shortest(p.observed)), cell(shortest(p.fitted)),
             cell(shortest(p.residual)), "</tr>\n");
  }
  return s + "</tbody>\n</table>\n";
}

std::string folder_section(const Inspected& in, std::size_t number) {
  const Outcome& o = *in.outcome;
  std::string s = cat("<section id=\"f", std::to_string(number), "\">\n<h2>", escaped_xml(in.folder.string()),
                      "</h2>\n<p>Exit status ", std::to_string(o.status), ".</p>\n");
  if (!o.errors.empty()) s += cat("<pre class=\"errors\">", escaped_xml(o.errors, true), "</pre>\n");
  if (o.status == kCannotInspect && o.findings.empty()) return s + "</section>\n";
  s += findings_list(o);
  if (const std::size_t svg = o.svg.find("<svg"); svg != std::string::npos) {
    s += cat("<div class=\"picture\">\n", std::string_view(o.svg).substr(svg), "</div>\n");
  }
  if (o.fit && !o.fit->points.empty()) s += points_table(*o.fit);
  return s + "</section>\n";
}

}  // namespace

std::string report_page(const std::vector<Inspected>& inspected) {
  std::string s =
      cat("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>laifit-inspect: ",
          count_of(inspected.size(), "folder", "folders"), "</title>\n<style>\n", kStyle,
          "\n</style>\n</head>\n<body>\n<h1>laifit-inspect: ", count_of(inspected.size(), "folder", "folders"),
          "</h1>\n<p>Click a column's title to sort the table by it.</p>\n");
  s += summary_table(inspected);
  for (std::size_t k = 0; k < inspected.size(); ++k) s += folder_section(inspected[k], k + 1);
  return s + "<script>" + kScript + "</script>\n</body>\n</html>\n";
}

}  // namespace laifit::inspect
