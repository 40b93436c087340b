#include "records/fpflags.hpp"

#include <cfenv>

#if !defined(__x86_64__)
#error "the floating-point note reads the x86 MXCSR"
#endif
#include <xmmintrin.h>

namespace laifit {

namespace {
constexpr unsigned kMxcsrFlags = 0x3F;     // IE DE ZE OE UE PE
constexpr unsigned kMxcsrDenormal = 0x02;  // DE: <cfenv> has no name for it
}  // namespace

void clear_fp_flags() {
  std::feclearexcept(FE_ALL_EXCEPT);
  _mm_setcsr(_mm_getcsr() & ~kMxcsrFlags);
}

FpFlags raised_fp_flags() {
  FpFlags f;
  const int raised = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW);
  f.invalid = (raised & FE_INVALID) != 0;
  f.divide_by_zero = (raised & FE_DIVBYZERO) != 0;
  f.overflow = (raised & FE_OVERFLOW) != 0;
  f.underflow = (raised & FE_UNDERFLOW) != 0;
  f.denormal = (_mm_getcsr() & kMxcsrDenormal) != 0;
  return f;
}

std::string fp_note(const FpFlags& flags) {
  if (!flags.any()) return {};
  std::string note = "Note: The following floating-point exceptions are signalling:";
  if (flags.invalid) note += " IEEE_INVALID_FLAG";
  if (flags.divide_by_zero) note += " IEEE_DIVIDE_BY_ZERO";
  if (flags.overflow) note += " IEEE_OVERFLOW_FLAG";
  if (flags.underflow) note += " IEEE_UNDERFLOW_FLAG";
  if (flags.denormal) note += " IEEE_DENORMAL";
  note += '\n';
  return note;
}

FpStateGuard::FpStateGuard() : saved_(_mm_getcsr()) {}
FpStateGuard::~FpStateGuard() { _mm_setcsr(saved_); }

}  // namespace laifit
