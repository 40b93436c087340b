#pragma once
// Programmer errors: conditions that laifit's own code guarantees, checked where breaking one would do
// harm. A failed check throws InternalError, which the laifit command reports as an internal error with
// an exit status of its own, never as the user's bad input.

#include <stdexcept>
#include <string>

namespace laifit {

class InternalError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

[[noreturn]] void internal_error(const std::string& what, const char* file, int line);

}  // namespace laifit

// Throws InternalError naming what and this source position when condition does not hold.
#define LAIFIT_CHECK(condition, what) \
  ((condition) ? static_cast<void>(0) : ::laifit::internal_error((what), __FILE__, __LINE__))
