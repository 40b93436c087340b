#pragma once
// Which arguments need the accurate (double-double) path of exp_cr and acos_cr. The proof program uses
// this to put such arguments into the sampled table, so that the default tests exercise that path too.

namespace laifit::numeric::detail {

// True when exp_cr(x) is decided without its accurate path (the fast path's error bound settles the
// rounding, or x is a special case).
bool exp_fast_path_decides(double x);

// True when exp_cr_stored(x) is decided by its short path, without exp_cr.
bool exp_stored_short_path_decides(double x);

// The same for acos_cr(x).
bool acos_fast_path_decides(double x);

}  // namespace laifit::numeric::detail
