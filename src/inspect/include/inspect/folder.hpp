#pragma once
// The folders the inspector works in: a handle on a folder for the records layer, and a scratch folder
// in the system's temporary directory where laifit's own driver runs on copies of the inputs.

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

 private:
  explicit FolderHandle(platform::Folder folder) : folder_(std::move(folder)) {}
  platform::Folder folder_;
};

// A fresh folder tree under the temporary directory, removed with everything in it at the end. The run
// folder lies deep enough in it that a relative name of 30 characters ("../" ten times) stays inside.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& root() const { return root_; }
  const std::filesystem::path& run() const { return run_; }

  // Where name, relative to the run folder, lands; nothing when it would leave the scratch tree.
  std::optional<std::filesystem::path> place(std::string_view name) const;

 private:
  std::filesystem::path root_;
  std::filesystem::path run_;
};

}  // namespace laifit::inspect
