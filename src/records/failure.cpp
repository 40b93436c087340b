#include "records/failure.hpp"

namespace laifit {

std::string RunFailure::place_line() const {
  return "At line " + std::to_string(where_.line()) + " of file " + where_.file_name() +
         " (unit = " + std::to_string(unit_) + ", file = '" + file_ + "')";
}

}  // namespace laifit
