#pragma once
// The two ways a run ends early with exit status 2: a failed read, open or write (a diagnostic on
// standard error), and a refusal of input that laifit cannot handle (an "error- " line on the screen).

#include <stdexcept>
#include <string>

#include "check/where.hpp"

namespace laifit {

// A statement that cannot complete: the run ends with the two diagnostic lines.
class RunFailure : public std::runtime_error {
 public:
  RunFailure(Where where, int unit, std::string file, std::string cause)
      : std::runtime_error(cause), where_(where), unit_(unit), file_(std::move(file)), cause_(std::move(cause)) {}

  // "At line %d of file %s (unit = %d, file = '%s')"
  std::string place_line() const;
  // The cause with this program's own prefix.
  std::string cause_line() const { return "Error: " + cause_; }
  const std::string& cause() const { return cause_; }
  int unit() const { return unit_; }
  const std::string& file() const { return file_; }

 private:
  Where where_;
  int unit_;
  std::string file_;
  std::string cause_;
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
