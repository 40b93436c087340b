#pragma once
// A whole file read into memory by its path, for the programs and tests that look at files as a user
// sees them (not through a run folder).

#include <filesystem>
#include <optional>
#include <string>

namespace laifit::platform {

// The bytes of the regular file at path, exactly as stored; nothing when it is not a regular file or
// cannot be read.
std::optional<std::string> read_file(const std::filesystem::path& path);

}  // namespace laifit::platform
