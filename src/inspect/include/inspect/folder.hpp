#pragma once
// The folders the inspector reads: a handle on a folder for the records layer.

#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/files.hpp"

namespace laifit::inspect {

// Whether a name read from the run description leads outside the run folder wherever laifit runs: an
// absolute name, or one with a root ("/x" on Windows is on the current drive) or a drive ("C:x").
inline bool names_outside_folder(std::string_view name) {
  const std::filesystem::path path(name);
  return path.is_absolute() || path.has_root_name() || path.has_root_directory();
}

// A folder opened for the records layer (Units and the run take it).
class FolderHandle {
 public:
  static std::optional<FolderHandle> open(const std::filesystem::path& path);

  const platform::Folder& native() const { return folder_; }
  // Waits for a run of laifit in the folder to end, then keeps runs out while the inspector reads it.
  void lock_for_reading() { folder_.lock(true, true); }

 private:
  explicit FolderHandle(platform::Folder folder) : folder_(std::move(folder)) {}
  platform::Folder folder_;
};

}  // namespace laifit::inspect
