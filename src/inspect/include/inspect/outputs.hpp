#pragma once
// The files that the options name: the table of observations against the fit as CSV, and the picture
// of the fit as SVG. Both are written through the records layer's channels, so their lines end with
// CR LF as RFC 4180 asks of CSV.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "inspect/fit.hpp"
#include "inspect/table.hpp"

namespace laifit::inspect {

// The CSV text: a header row, then one row per observation point, each beginning with the folder's name.
std::string csv_text(const FitView& fit, std::string_view folder);

// The SVG text of the fit, with the number of warnings the inspection found.
std::string svg_text(const FitView& fit, const std::string& title, std::size_t warnings);

// Why a file that the options name may not be written (it is a file of the run in the folder, or two
// options name one file); "" when every one may.
struct Options;
std::string refused_outputs(const Options& options, const Gathered& g);

// The summary of many inspections (RFC 4180 CSV, one row per folder) and the page that shows them.
struct Outcome;
struct Inspected {
  std::filesystem::path folder;
  const Outcome* outcome;
};
std::string summary_csv(const std::vector<Inspected>& inspected);
// How the estimator stopped, as one word: "sum_converged", "iteration_limit", ...
std::string stop_code(EstimatorExit exit);
std::string report_page(const std::vector<Inspected>& inspected);

// Writes text, made of LF-ended lines, to path as records; "" on success, else why not.
std::string write_records(const std::filesystem::path& path, const std::string& text);

}  // namespace laifit::inspect
