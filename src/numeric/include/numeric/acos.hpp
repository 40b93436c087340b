#pragma once
// arccos x correctly rounded (to nearest, ties to even) for every argument that is a float widened to
// double, with the floating-point flags that a single hardware operation producing that result would
// raise. The C library's acos is not correctly rounded and differs between implementations.

namespace laifit::numeric {

// arccos x in [0, pi] for x a float value carried in a double (the caller widens). Results and flags:
// - x in [-1, 1]: the correctly rounded double (acos 1 = +0), no flag (results are never tiny);
// - |x| > 1, infinities included: the default NaN with the invalid flag;
// - NaN: that NaN, quiet, no flag.
// Checked for every float in [-1, 1] against MPFR by proofs/numeric_proof.cpp. A double that is not a
// float is outside that proof: its result is within about an ulp, and a subnormal one raises the
// denormal-operand flag as any operand would. Assumes round-to-nearest.
double acos_cr(double x);

}  // namespace laifit::numeric
