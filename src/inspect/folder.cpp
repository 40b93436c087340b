#include "inspect/folder.hpp"

#include <string>

#include "platform/folder_path.hpp"

namespace laifit::inspect {

std::optional<FolderHandle> FolderHandle::open(const std::filesystem::path& path) {
  std::string why;
  platform::Folder folder = platform::open_folder(path, why);
  if (!folder.is_open()) return std::nullopt;
  return FolderHandle(std::move(folder));
}

}  // namespace laifit::inspect
