#pragma once
// The reason that a diagnostic gives for a Windows error code: the Linux C library's wording for the
// causes that both systems share, so that a diagnostic reads the same on both.

#include <string>

namespace laifit::platform::windows {

std::string reason(unsigned long error);

}  // namespace laifit::platform::windows
