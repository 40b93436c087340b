#pragma once
// The one rounding step of laifit's arithmetic: a formula is evaluated in double from widened floats
// and rounded to float once, when its result is stored.

namespace laifit::numeric {

// The stored float is handed to an empty volatile asm, so the compiler must compute it (and everything
// it is computed from) even when no later code reads it: the floating-point flags of every specified
// operation are raised in every build, whatever is inlined or found dead.
inline float store(double value) {
  float stored = static_cast<float>(value);
#if defined(__x86_64__) || defined(__i386__)
  asm volatile("" : : "x"(stored));
#elif defined(__aarch64__)
  asm volatile("" : : "w"(stored));
#else
  asm volatile("" : : "m"(stored));
#endif
  return stored;
}

}  // namespace laifit::numeric
