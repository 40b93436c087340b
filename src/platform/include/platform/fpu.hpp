#pragma once
// The processor's floating-point status beyond what <cfenv> names: the denormal-operand flag, and the
// whole status register of the unit that scalar arithmetic uses, to be saved and put back.

namespace laifit::platform {

// x86-64: MXCSR (flags and control); AArch64: FPSR (flags).
unsigned fp_status();
void set_fp_status(unsigned status);

// Whether a subnormal operand entered an operation since the flag was last cleared (x86 MXCSR bit DE).
// Always false on AArch64: its input-denormal flag is raised only when subnormals are flushed to zero,
// never while they are kept, so it tells nothing here.
bool denormal_operand_raised();
// Clears the denormal-operand flag (and on x86-64 every MXCSR exception flag, as feclearexcept does).
void clear_fp_status_flags();

}  // namespace laifit::platform
