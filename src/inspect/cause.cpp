#include "inspect/cause.hpp"

namespace laifit::inspect {

// The run hands its failures over as the text it prints; until it hands over their kind, the kind is
// read from that text here and nowhere else.
CauseKind cause_kind(const RunDetails::Failure& failure) {
  switch (failure.kind) {
    case FailureKind::already_open: return CauseKind::already_open;
    case FailureKind::not_found: return CauseKind::no_such_file;
    // What keeps a file of that name from being opened.
    case FailureKind::is_folder:
    case FailureKind::permission:
    case FailureKind::invalid_name:
    case FailureKind::name_too_long:
    case FailureKind::not_regular: return CauseKind::cannot_open;
    default: return CauseKind::other;
  }
}

std::string cause_words(const RunDetails::Failure& failure) { return failure.cause; }

}  // namespace laifit::inspect
