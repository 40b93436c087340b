#pragma once
// e^x correctly rounded (to nearest, ties to even) for every argument that is a float widened to
// double, with the floating-point flags that a single hardware operation producing that result would
// raise. The C library's exp is not correctly rounded and differs between implementations; laifit's
// results must not depend on which one it is linked with.

namespace laifit::numeric {

// e^x for x a float value carried in a double (the caller widens, as laifit's formulas do), so the
// widening of a subnormal float stays the caller's operation. Results and flags:
// - finite x: the correctly rounded double; overflow (and +Inf) when that exceeds the largest double;
//   underflow when it is below 2^-1022 after rounding (as x86 detects tininess), including when it
//   rounds to +0; no denormal-operand flag of its own;
// - NaN: that NaN, quiet, no flag; +Inf: +Inf; -Inf: +0.
// Checked for every float argument against MPFR by proofs/numeric_proof.cpp. A double that is not a
// float is outside that proof: its result is within about an ulp, and a subnormal one raises the
// denormal-operand flag as any operand would. Assumes round-to-nearest.
double exp_cr(double x);

// store(exp_cr(x)), the float laifit keeps of e^x: the same result and the same flags (those of exp_cr
// and those of the store, denormal operand included) for every float argument x. Most arguments take a
// short path whose double lies far from a float rounding boundary, so that it rounds to the same float
// as the correctly rounded double; the others go through exp_cr. Checked for every float argument by
// proofs/numeric_proof.cpp.
float exp_cr_stored(double x);

}  // namespace laifit::numeric
