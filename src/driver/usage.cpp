#include "driver/usage.hpp"

namespace laifit {
namespace {

constexpr std::string_view kUsage[] = {
    "usage: laifit [--help | --version]",
    "",
    "laifit fits a leaf-area-index growth curve to the observations of the run folder, the current directory.",
    "It reads param.soj and the observation table and climate files it names; it writes the interpolated LAI",
    "file named there, adjust_lai.txt (the fit report), test.txt, tempobs2.txt and tempobs.txt (working",
    "files), history.kvt when absent, and the progress of the fit on standard output.",
    "Any other arguments are ignored: every setting comes from param.soj.",
    "",
    "Exit status: 0 a completed run, 2 a run that could not go on, 3 an internal error of laifit.",
    "The manual: man laifit (and man laifit-inspect); the README and the walkthrough",
    "fitting-your-own-field.md come with laifit (/usr/share/doc/laifit, or beside laifit.exe on Windows).",
};

}  // namespace

std::optional<std::string> usage_request(std::span<const std::string_view> args) {
  if (args.size() != 1) return std::nullopt;
  if (args[0] == "--version") return "laifit " LAIFIT_VERSION "\r\n";
  if (args[0] != "--help") return std::nullopt;
  std::string text;
  for (const std::string_view line : kUsage) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace laifit
