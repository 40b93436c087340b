#pragma once
// laifit-inspect: tells a person what a run folder will do, what the fit did, and shows the fit.
//
// It reads the folder with laifit's own readers and recomputes the run with laifit's own driver on a
// copy of the folder held in memory, so that everything it reports is what laifit reads and computes.
// It creates and writes no file unless an option names one.

#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "inspect/findings.hpp"

namespace laifit::inspect {

struct Options {
  std::filesystem::path folder = ".";
  std::optional<std::filesystem::path> csv;  // the table of observations against the fit
  std::optional<std::filesystem::path> svg;  // the picture of the fit
  bool quiet = false;                        // the warnings alone
  // Files that the command writes besides these (the summary, the page): refused, like the two above,
  // when they are a file of the run in the folder.
  std::vector<std::pair<std::string, std::filesystem::path>> also_written;
  bool keep_fit = false;      // keep the fit in the outcome, for the summary of many folders
  bool keep_picture = false;  // and its picture, for their page
};

struct FitView;

// Exit statuses: nothing to warn about, warnings, no inspection possible.
inline constexpr int kClean = 0;
inline constexpr int kWarnings = 1;
inline constexpr int kCannotInspect = 2;

struct Outcome {
  int status = kCannotInspect;
  std::string report;  // for standard output
  std::string errors;  // for standard error
  std::vector<Finding> findings;
  bool refused = false;  // an option names a file of the run: nothing was written
  // With Options::keep_fit: the fit as the inspector read it; with keep_picture, its picture.
  std::shared_ptr<const FitView> fit;
  std::string svg;
};

Outcome inspect(const Options& options);

struct Arguments {
  Options options;
  std::vector<std::filesystem::path> folders;  // as given, in order
  std::optional<std::filesystem::path> tree;   // every folder below it that holds a param.soj
  unsigned jobs = 0;                           // inspections at once; 0: one per core
  std::optional<std::filesystem::path> summary;
  std::optional<std::filesystem::path> html;
  bool help = false;
  bool version = false;  // print "laifit-inspect VERSION" and stop
  std::string error;     // a malformed command line
  // More than one folder, or an output that holds many: the inspections of a trial.
  bool many() const { return folders.size() > 1 || tree || summary || html; }
};

// The inspections of many folders at once (Arguments::many()): each folder's text in the order given,
// the summary and the page written when asked for, and the worst exit status of them all.
Outcome inspect_many(const Arguments& arguments);
Arguments parse_arguments(std::span<const std::string_view> args);
std::string usage();
// "laifit-inspect VERSION" and a line feed.
std::string version();

}  // namespace laifit::inspect
