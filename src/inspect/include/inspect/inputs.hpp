#pragma once
// The run description "param.soj" and the input files it names, as laifit reads them.

#include "inspect/findings.hpp"
#include "inspect/gather.hpp"

namespace laifit::inspect {

// The statements of "param.soj" by line of its layout (1 to 12), and what the run read on each.
struct RunDescription {
  std::vector<const LoggedStatement*> lines;  // lines[k - 1]: the read of layout line k
  const LoggedStatement* at(int line) const {
    return line >= 1 && static_cast<std::size_t>(line) <= lines.size() ? lines[static_cast<std::size_t>(line - 1)]
                                                                       : nullptr;
  }
};

RunDescription run_description(const Gathered& g);

// Missing, empty or odd input files; names cut or split; a blank line that shifts the layout; the
// emergence date's layout; decimal commas, switches and starting values of the parameters; how the run
// ended when nothing more specific explains it.
void check_inputs(const Gathered& g, const RunDescription& rd, Findings& findings);

// How the run ended, when no finding of the list says why it stops: a pass over the findings already
// drawn, so it follows every detector.
void explain_ending(const Gathered& g, Findings& findings);

// The input files that the run reads, with the line of "param.soj" that names each: the observation
// table, the climate file of the sowing year and, with two climate years, the following year's.
struct NamedInput {
  std::string name;
  int line = 0;
  std::string role;
};
std::vector<NamedInput> named_inputs(const Gathered& g);

}  // namespace laifit::inspect
