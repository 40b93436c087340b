// A preload library that logs every argument of the C library's exp and acos that a program passes, one
// line per call ("exp HEX" or "acos HEX", HEX the double's 16 hexadecimal bits), to the file named by
// LAIFIT_ARGUMENT_LOG, then calls the C library's function. It lets numeric_proof --arguments compare
// the stored floats of the arguments that the reference runs use, from a laifit built with the C
// library's exp and acos:
//
//   LD_PRELOAD=.../libargument_log.so LAIFIT_ARGUMENT_LOG=/tmp/args ../shared/tools/check-case OLD_LAIFIT CASE
//
// Logging does integer formatting only, so it raises no floating-point flag of its own.

#include <dlfcn.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void log_call(const char* name, double x) {
  static std::FILE* out = [] {
    const char* path = std::getenv("LAIFIT_ARGUMENT_LOG");
    return path ? std::fopen(path, "a") : nullptr;
  }();
  if (!out) return;
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  std::fprintf(out, "%s %016" PRIx64 "\n", name, bits);
  std::fflush(out);
}

using Function = double (*)(double);

Function next(const char* name) { return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name)); }

}  // namespace

extern "C" double exp(double x) {
  static const Function real = next("exp");
  log_call("exp", x);
  return real(x);
}

extern "C" double acos(double x) {
  static const Function real = next("acos");
  log_call("acos", x);
  return real(x);
}
