#include "records/failure.hpp"

namespace laifit {

std::string RunFailure::place_line() const {
  return "At line " + std::to_string(where_.line()) + " of file " + where_.file_name() +
         " (unit = " + std::to_string(unit_) + ", file = '" + file_ + "')";
}

FailureKind failure_kind(platform::Cause cause) {
  switch (cause) {
    case platform::Cause::not_found:
    case platform::Cause::not_folder: return FailureKind::not_found;
    case platform::Cause::is_folder: return FailureKind::is_folder;
    case platform::Cause::permission: return FailureKind::permission;
    case platform::Cause::invalid_name: return FailureKind::invalid_name;
    case platform::Cause::name_too_long: return FailureKind::name_too_long;
    case platform::Cause::no_space: return FailureKind::no_space;
    case platform::Cause::io: return FailureKind::io;
    case platform::Cause::other: break;
  }
  return FailureKind::other;
}

}  // namespace laifit
