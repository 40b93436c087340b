// laifit-inspect: what a laifit run folder will do, what the fit did, and the fit as a picture.

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "inspect/inspect.hpp"
#include "inspect/text.hpp"

namespace {

// Writes a text whole (a NUL from a folder does not end it), with the one escaping rule applied, so that
// nothing taken from a folder reaches the terminal as a control sequence.
void put(std::FILE* stream, const std::string& text) {
  const std::string safe = laifit::inspect::escaped(text, true);
  std::fwrite(safe.data(), 1, safe.size(), stream);
}

}  // namespace

int main(int argc, char** argv) {
  namespace in = laifit::inspect;
  std::vector<std::string_view> args(argv + 1, argv + argc);
  const in::Arguments a = in::parse_arguments(args);
  if (!a.error.empty()) {
    put(stderr, "laifit-inspect: " + a.error + "\n\n" + in::usage());
    return in::kCannotInspect;
  }
  if (a.help || a.version) {
    put(stdout, a.help ? in::usage() : in::version());
    return in::kClean;
  }
  try {
    const in::Outcome outcome = a.many() ? in::inspect_many(a) : in::inspect(a.options);
    put(stdout, outcome.report);
    put(stderr, outcome.errors);
    return outcome.status;
  } catch (const std::exception& e) {
    put(stderr, "laifit-inspect: " + std::string(e.what()) + "\n");
    return in::kCannotInspect;
  }
}
