#include "records/fpflags.hpp"

#include <cfenv>

#include "platform/fpu.hpp"

namespace laifit {

void clear_fp_flags() {
  std::feclearexcept(FE_ALL_EXCEPT);
  platform::clear_fp_status_flags();
}

FpFlags raised_fp_flags() {
  FpFlags f;
  const int raised = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW);
  f.invalid = (raised & FE_INVALID) != 0;
  f.divide_by_zero = (raised & FE_DIVBYZERO) != 0;
  f.overflow = (raised & FE_OVERFLOW) != 0;
  f.underflow = (raised & FE_UNDERFLOW) != 0;
  f.denormal = platform::denormal_operand_raised();
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

FpStateGuard::FpStateGuard() : saved_(platform::fp_status()) {}
FpStateGuard::~FpStateGuard() { platform::set_fp_status(saved_); }

}  // namespace laifit
