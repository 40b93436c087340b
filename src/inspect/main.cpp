// laifit-inspect: what a laifit run folder will do, what the fit did, and the fit as a picture.

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "inspect/inspect.hpp"

int main(int argc, char** argv) {
  namespace in = laifit::inspect;
  std::vector<std::string_view> args(argv + 1, argv + argc);
  const in::Arguments a = in::parse_arguments(args);
  if (!a.error.empty()) {
    std::fputs(("laifit-inspect: " + a.error + "\n\n" + in::usage()).c_str(), stderr);
    return in::kCannotInspect;
  }
  if (a.help || a.version) {
    std::fputs((a.help ? in::usage() : in::version()).c_str(), stdout);
    return in::kClean;
  }
  try {
    const in::Outcome outcome = in::inspect(a.options);
    std::fputs(outcome.report.c_str(), stdout);
    std::fputs(outcome.errors.c_str(), stderr);
    return outcome.status;
  } catch (const std::exception& e) {
    std::fputs(("laifit-inspect: " + std::string(e.what()) + "\n").c_str(), stderr);
    return in::kCannotInspect;
  }
}
