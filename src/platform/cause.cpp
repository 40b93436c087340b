#include <string_view>

#include "platform/files.hpp"

namespace laifit::platform {

Cause cause_of(std::string_view wording) {
  struct Worded {
    std::string_view words;
    Cause cause;
  };
  static constexpr Worded kWorded[] = {
      {"No such file or directory", Cause::not_found}, {"Is a directory", Cause::is_folder},
      {"Not a directory", Cause::not_folder},          {"Permission denied", Cause::permission},
      {"Read-only file system", Cause::permission},    {"Operation not permitted", Cause::permission},
      {"Invalid argument", Cause::invalid_name},       {"File name too long", Cause::name_too_long},
      {"No space left on device", Cause::no_space},    {"File too large", Cause::no_space},
      {"Disk quota exceeded", Cause::no_space},        {"Input/output error", Cause::io},
  };
  for (const Worded& w : kWorded) {
    if (wording == w.words) return w.cause;
  }
  return Cause::other;
}

}  // namespace laifit::platform
