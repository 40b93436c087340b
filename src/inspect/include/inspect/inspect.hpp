#pragma once
// laifit-inspect: tells a person what a run folder will do, what the fit did, and shows the fit.
//
// It reads the folder with laifit's own readers and recomputes the run with laifit's own driver on
// copies of the inputs in a scratch folder, so that everything it reports is what laifit reads and
// computes. It writes nothing into the folder unless an option names a file there.

#include <filesystem>
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
};

// Exit statuses: nothing to warn about, warnings, no inspection possible.
inline constexpr int kClean = 0;
inline constexpr int kWarnings = 1;
inline constexpr int kCannotInspect = 2;

struct Outcome {
  int status = kCannotInspect;
  std::string report;  // for standard output
  std::string errors;  // for standard error
  std::vector<Finding> findings;
};

Outcome inspect(const Options& options);

struct Arguments {
  Options options;
  bool help = false;
  bool version = false;  // print "laifit-inspect VERSION" and stop
  std::string error;  // a malformed command line
};
Arguments parse_arguments(std::span<const std::string_view> args);
std::string usage();
// "laifit-inspect VERSION" and a line feed.
std::string version();

}  // namespace laifit::inspect
