#pragma once
// Run folders for the inspector's tests: the example folder with changes, or a reference run's inputs,
// written into a scratch folder; and a listing of everything in a folder, to show that the inspector
// left it as it was.

#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "inspect/inspect.hpp"
#include "platform/read_file.hpp"
#include "support/run_folder.hpp"

namespace laifit::testing {

using Files = std::map<std::string, std::string>;

inline std::string slurp(const std::filesystem::path& p) { return platform::read_file(p).value_or(""); }

// Every regular file of a folder (not recursing), with its contents.
inline Files files_of(const std::filesystem::path& dir) {
  Files all;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    if (e.is_regular_file()) all[e.path().filename().string()] = slurp(e.path());
  }
  return all;
}

// Every entry under a folder, with the contents of its regular files and the time of its last change.
inline std::map<std::string, std::string> snapshot(const std::filesystem::path& dir) {
  std::map<std::string, std::string> all;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
    const std::string key = std::filesystem::relative(e.path(), dir).string();
    const auto time = std::filesystem::last_write_time(e.path()).time_since_epoch().count();
    all[key] = std::to_string(time) + (e.is_regular_file() ? ":" + slurp(e.path()) : "/");
  }
  return all;
}

// The inspector on folder, with the CSV and the SVG when given.
inline inspect::Outcome inspect_folder(const std::filesystem::path& folder, const std::filesystem::path& csv = {},
                                       const std::filesystem::path& svg = {}) {
  inspect::Options o;
  o.folder = folder;
  if (!csv.empty()) o.csv = csv;
  if (!svg.empty()) o.svg = svg;
  return inspect::inspect(o);
}

inline Files example_files() { return files_of(LAIFIT_EXAMPLE_DIR); }
inline Files case_files(const std::string& name) {
  return files_of(std::filesystem::path(LAIFIT_CASES_DIR) / name / "in");
}

// Line k (from 1) of text replaced by with (which may hold several lines, or none: the line goes).
inline std::string with_line(const std::string& text, int k, const std::string& with) {
  std::string out;
  std::istringstream in(text);
  int n = 1;
  for (std::string l; std::getline(in, l); ++n) {
    if (n != k) {
      out += l + "\n";
    } else if (!with.empty()) {
      out += with + "\n";
    }
  }
  return out;
}

// The first n lines of text.
inline std::string first_lines(const std::string& text, int n) {
  std::string out;
  std::istringstream in(text);
  for (std::string l; n > 0 && std::getline(in, l); --n) out += l + "\n";
  return out;
}

}  // namespace laifit::testing
