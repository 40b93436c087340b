#include "platform/fpu.hpp"

#if defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#elif !defined(__aarch64__)
#error "the floating-point status is read on x86-64 (MXCSR) and AArch64 (FPSR) only"
#endif

namespace laifit::platform {

#if defined(__x86_64__) || defined(_M_X64)

namespace {
constexpr unsigned kMxcsrFlags = 0x3F;     // IE DE ZE OE UE PE
constexpr unsigned kMxcsrDenormal = 0x02;  // DE: <cfenv> has no name for it
}  // namespace

unsigned fp_status() { return _mm_getcsr(); }
void set_fp_status(unsigned status) { _mm_setcsr(status); }
bool denormal_operand_raised() { return (_mm_getcsr() & kMxcsrDenormal) != 0; }
void clear_fp_status_flags() { _mm_setcsr(_mm_getcsr() & ~kMxcsrFlags); }

#else  // AArch64

namespace {
constexpr unsigned long kFpsrFlags = 0x9F;  // IOC DZC OFC UFC IXC IDC
}  // namespace

unsigned fp_status() {
  unsigned long fpsr = 0;
  __asm__ __volatile__("mrs %0, fpsr" : "=r"(fpsr));
  return static_cast<unsigned>(fpsr);
}
void set_fp_status(unsigned status) {
  const unsigned long fpsr = status;
  __asm__ __volatile__("msr fpsr, %0" : : "r"(fpsr));
}
bool denormal_operand_raised() { return false; }
void clear_fp_status_flags() { set_fp_status(fp_status() & ~static_cast<unsigned>(kFpsrFlags)); }

#endif

}  // namespace laifit::platform
