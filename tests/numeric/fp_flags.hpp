#pragma once
// The floating-point flags that laifit reports (the IEEE flags of <cfenv> and x86 MXCSR's
// denormal-operand bit), as a set of table::Flag bits, for checking what one call raises.

#include <xmmintrin.h>

#include <cfenv>

#include "table_format.hpp"

namespace laifit::numeric::table {

inline constexpr unsigned kMxcsrFlags = 0x3F;  // IE DE ZE OE UE PE
inline constexpr unsigned kMxcsrDenormal = 0x02;

inline void clear_flags() {
  std::feclearexcept(FE_ALL_EXCEPT);
  _mm_setcsr(_mm_getcsr() & ~kMxcsrFlags);
}

inline unsigned raised_flags() {
  const int r = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW);
  unsigned f = 0;
  if (r & FE_INVALID) f |= Flag::invalid;
  if (r & FE_DIVBYZERO) f |= Flag::divide_by_zero;
  if (r & FE_OVERFLOW) f |= Flag::overflow;
  if (r & FE_UNDERFLOW) f |= Flag::underflow;
  if (_mm_getcsr() & kMxcsrDenormal) f |= Flag::denormal;
  return f;
}

// Raises every flag of `flags`, as earlier operations of a caller would have.
inline void raise_flags(unsigned flags) {
  int e = 0;
  if (flags & Flag::invalid) e |= FE_INVALID;
  if (flags & Flag::divide_by_zero) e |= FE_DIVBYZERO;
  if (flags & Flag::overflow) e |= FE_OVERFLOW;
  if (flags & Flag::underflow) e |= FE_UNDERFLOW;
  std::feraiseexcept(e);
  if (flags & Flag::denormal) _mm_setcsr(_mm_getcsr() | kMxcsrDenormal);
}

}  // namespace laifit::numeric::table
