#include "inspect/cause.hpp"

namespace laifit::inspect {

// The run hands its failures over as the text it prints; until it hands over their kind, the kind is
// read from that text here and nowhere else.
CauseKind cause_kind(const RunDetails::Failure& failure) {
  const std::string& cause = failure.cause;
  if (cause == "File already opened in another unit") return CauseKind::already_open;
  if (cause.find("No such file") != std::string::npos) return CauseKind::no_such_file;
  if (cause.find("Cannot open") != std::string::npos) return CauseKind::cannot_open;
  return CauseKind::other;
}

std::string cause_words(const RunDetails::Failure& failure) { return failure.cause; }

}  // namespace laifit::inspect
