#pragma once
// The kind of the failure that ended a run, the one place where the inspector tells failures apart, and
// the failure in words.

#include <string>

#include "driver/run_details.hpp"

namespace laifit::inspect {

enum class CauseKind { no_such_file, cannot_open, already_open, other };

CauseKind cause_kind(const RunDetails::Failure& failure);

// The cause as the run gave it, for a person: "No such file or directory".
std::string cause_words(const RunDetails::Failure& failure);

}  // namespace laifit::inspect
