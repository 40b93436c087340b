#pragma once
// The source position of a read, write or open statement, named in run-ending diagnostics.

#include <version>
#if defined(__cpp_lib_source_location)
#include <source_location>
#endif

namespace laifit {

#if defined(__cpp_lib_source_location)
using Where = std::source_location;
#else
// clang 14 with libstdc++ 12 has no std::source_location; its builtins give the same call-site position.
class Where {
 public:
  static constexpr Where current(const char* file = __builtin_FILE(), unsigned line = __builtin_LINE()) noexcept {
    Where w;
    w.file_ = file;
    w.line_ = line;
    return w;
  }
  constexpr const char* file_name() const noexcept { return file_; }
  constexpr unsigned line() const noexcept { return line_; }

 private:
  const char* file_ = "";
  unsigned line_ = 0;
};
#endif

}  // namespace laifit
