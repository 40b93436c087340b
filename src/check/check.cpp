#include "check/check.hpp"

namespace laifit {

void internal_error(const std::string& what, const char* file, int line) {
  throw InternalError(what + " (" + file + ":" + std::to_string(line) + ")");
}

}  // namespace laifit
