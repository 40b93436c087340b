#pragma once
// Opening a folder from a std::filesystem::path, kept apart from files.hpp so that the record layer's
// sources do not pay for <filesystem>.

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/files.hpp"

namespace laifit::platform {

// The folder at path, its name passed on as UTF-8.
inline Folder open_folder(const std::filesystem::path& path, std::string& why) {
  const std::u8string name = path.u8string();
  return Folder::open(std::string_view(reinterpret_cast<const char*>(name.data()), name.size()), why);
}

}  // namespace laifit::platform
