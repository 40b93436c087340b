#pragma once
// Fresh scratch folders under the system's temporary directory.

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

namespace laifit::testing {

// Creates a new, empty folder named prefix followed by a random suffix.
inline std::filesystem::path make_scratch_folder(std::string_view prefix) {
  static std::mt19937_64 names{std::random_device{}()};
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path candidate = base / (std::string(prefix) + "-" + std::to_string(names() % 1000000000));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) return candidate;
  }
  throw std::runtime_error("cannot create a scratch folder under " + base.string());
}

}  // namespace laifit::testing
