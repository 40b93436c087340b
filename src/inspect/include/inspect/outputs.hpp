#pragma once
// The files that the options name: the table of observations against the fit as CSV, and the picture
// of the fit as SVG. Both are written through the records layer's channels, so their lines end with
// CR LF as RFC 4180 asks of CSV.

#include <filesystem>
#include <string>

#include "inspect/fit.hpp"
#include "inspect/table.hpp"

namespace laifit::inspect {

// The CSV text: a header row, then one row per observation point.
std::string csv_text(const FitView& fit);

// The SVG text of the fit.
std::string svg_text(const FitView& fit, const std::string& title);

// Writes text, made of LF-ended lines, to path as records; "" on success, else why not.
std::string write_records(const std::filesystem::path& path, const std::string& text);

}  // namespace laifit::inspect
