#pragma once
// What laifit prints instead of running when it is asked for its usage or its version.

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace laifit {

// The usage for "--help", or "laifit VERSION" for "--version", given as the only argument, each line ending
// CR LF like every screen record; nothing for any other arguments, which are ignored and leave the run to
// go on.
std::optional<std::string> usage_request(std::span<const std::string_view> args);

}  // namespace laifit
