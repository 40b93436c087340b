#pragma once
// The two ways a run ends early with exit status 2: a failed read, open or write (a diagnostic on
// standard error), and a refusal of input that laifit cannot handle (an "error- " line on the screen).

#include <stdexcept>
#include <string>

#include "check/where.hpp"
#include "platform/files.hpp"

namespace laifit {

// What kind of failure ended a statement, for callers that act on it rather than on its wording.
enum class FailureKind {
  other,
  not_found,      // the file to open does not exist
  is_folder,      // the name is a folder
  permission,     // the system refuses the access
  invalid_name,   // a name the system cannot take (a NUL byte)
  name_too_long,  // a name the system finds too long
  no_space,       // the device or the file is full
  io,             // the device failed
  not_regular,    // a pipe or a device where a file was expected
  already_open,   // the file is connected to another unit
  bad_integer,    // an integer item that is not one
  bad_real,       // a real item that is not one
  bad_repeat,     // a repeat count of zero or beyond the integers
  end_of_file,    // the file ended before the statement's items
};

// The kind of a failure that the system layer worded.
FailureKind failure_kind(platform::Cause cause);

// A statement that cannot complete: the run ends with the two diagnostic lines.
class RunFailure : public std::runtime_error {
 public:
  RunFailure(Where where, int unit, std::string file, std::string cause, FailureKind kind = FailureKind::other)
      : std::runtime_error(cause),
        where_(where),
        unit_(unit),
        file_(std::move(file)),
        cause_(std::move(cause)),
        kind_(kind) {}

  // "At line %d of file %s (unit = %d, file = '%s')"
  std::string place_line() const;
  // The cause with this program's own prefix.
  std::string cause_line() const { return "Error: " + cause_; }
  const std::string& cause() const { return cause_; }
  int unit() const { return unit_; }
  const std::string& file() const { return file_; }
  FailureKind kind() const { return kind_; }

 private:
  Where where_;
  int unit_;
  std::string file_;
  std::string cause_;
  FailureKind kind_;
};

// Input that the run cannot process safely: one free-format "error- " screen record, exit status 2.
class Refusal : public std::runtime_error {
 public:
  explicit Refusal(std::string message) : std::runtime_error(message), message_(std::move(message)) {}
  const std::string& message() const { return message_; }

 private:
  std::string message_;
};

}  // namespace laifit
