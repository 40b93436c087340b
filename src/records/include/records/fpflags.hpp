#pragma once
// The floating-point exception flags that the end-of-run note reports, and a guard that keeps the
// conversions between text and numbers from adding flags of their own.

#include <string>

namespace laifit {

struct FpFlags {
  bool invalid = false;
  bool divide_by_zero = false;
  bool overflow = false;
  bool underflow = false;
  bool denormal = false;  // a subnormal operand entered an operation (x86 MXCSR bit DE; never on AArch64)

  bool any() const { return invalid || divide_by_zero || overflow || underflow || denormal; }
};

void clear_fp_flags();
FpFlags raised_fp_flags();

// "Note: The following floating-point exceptions are signalling: ..." with its line end, or "" when no
// reported flag is raised. The inexact flag is never reported.
std::string fp_note(const FpFlags& flags);

// Saves the floating-point status on construction and puts it back on destruction, so that whatever a
// conversion routine raises in between leaves no trace.
class FpStateGuard {
 public:
  FpStateGuard();
  ~FpStateGuard();
  FpStateGuard(const FpStateGuard&) = delete;
  FpStateGuard& operator=(const FpStateGuard&) = delete;

 private:
  unsigned saved_;
};

}  // namespace laifit
