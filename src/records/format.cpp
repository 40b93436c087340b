#include "records/format.hpp"

#include <stdexcept>
#include <string>

namespace laifit::format_detail {

void malformed(std::string_view literal, const char* why, std::size_t position) {
  throw std::invalid_argument("malformed format literal " + std::string(literal) + ": " + why + " at position " +
                              std::to_string(position + 1));
}

}  // namespace laifit::format_detail
