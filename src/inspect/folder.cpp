#include "inspect/folder.hpp"

#include <random>
#include <stdexcept>
#include <string>

#include "platform/folder_path.hpp"

namespace laifit::inspect {

std::optional<FolderHandle> FolderHandle::open(const std::filesystem::path& path) {
  std::string why;
  platform::Folder folder = platform::open_folder(path, why);
  if (!folder.is_open()) return std::nullopt;
  return FolderHandle(std::move(folder));
}

namespace {
// Eleven levels: a name of at most 30 characters climbs at most ten.
constexpr int kRunDepth = 11;
}  // namespace

ScratchFolder::ScratchFolder() {
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  std::random_device seed;
  std::mt19937_64 gen((static_cast<std::uint64_t>(seed()) << 32) ^ seed());
  for (int attempt = 0; attempt < 100 && root_.empty(); ++attempt) {
    const std::filesystem::path candidate = base / ("laifit-inspect-" + std::to_string(gen() % 1000000000000ULL));
    if (std::filesystem::create_directory(candidate)) root_ = candidate;
  }
  if (root_.empty()) throw std::runtime_error("cannot make a scratch folder in " + base.string());
  run_ = root_;
  for (int level = 1; level <= kRunDepth; ++level) run_ /= std::string("l").append(std::to_string(level));
  run_ /= "run";
  std::filesystem::create_directories(run_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::optional<std::filesystem::path> ScratchFolder::place(std::string_view name) const {
  const std::filesystem::path relative(name);
  if (relative.empty() || relative.is_absolute() || relative.has_root_name()) return std::nullopt;
  const std::filesystem::path at = (run_ / relative).lexically_normal();
  const std::filesystem::path inside = at.lexically_relative(root_);
  if (inside.empty() || *inside.begin() == "..") return std::nullopt;
  return at;
}

}  // namespace laifit::inspect
