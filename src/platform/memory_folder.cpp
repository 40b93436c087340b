#include "platform/memory_folder.hpp"

#include <algorithm>
#include <cstring>

namespace laifit::platform {

namespace {

// The wording of the system's causes that the memory folder meets itself.
constexpr const char* kNotFound = "No such file or directory";
constexpr const char* kIsFolder = "Is a directory";
constexpr const char* kInvalid = "Invalid argument";
constexpr const char* kTooLarge = "File too large";

// The volume of files that runs create in memory: no disk has it.
constexpr std::uint64_t kMemoryVolume = ~std::uint64_t{0};

}  // namespace

// A file of the folder opened by a run: writes go at its own position, reads at any offset.
class MemoryFolder::OpenFile : public FileBackend {
 public:
  OpenFile(MemoryFolder& folder, std::shared_ptr<Node> node) : folder_(folder), node_(std::move(node)) {}

  bool info(FileInfo& info, std::string&) const override {
    info.id = node_->entry.id;
    info.regular = node_->entry.kind == Kind::file;
    return true;
  }
  std::int64_t read_at(std::uint64_t offset, char* data, std::size_t size, std::string&) const override {
    const std::string& bytes = node_->entry.bytes;
    if (offset >= bytes.size()) return 0;
    const std::size_t n = std::min<std::size_t>(size, bytes.size() - static_cast<std::size_t>(offset));
    std::memcpy(data, bytes.data() + offset, n);
    return static_cast<std::int64_t>(n);
  }
  bool write(std::string_view bytes, std::string& why) override {
    std::string& held = node_->entry.bytes;
    const std::size_t end = position_ + bytes.size();
    if (end > held.size() && !folder_.resize(*node_, end)) {
      why = kTooLarge;
      return false;
    }
    held.replace(position_, bytes.size(), bytes);
    node_->changed = true;
    position_ = end;
    return true;
  }
  bool truncate(std::string&) override {
    folder_.resize(*node_, 0);
    position_ = 0;
    return true;
  }
  bool end_here(std::string&) override {
    if (position_ < node_->entry.bytes.size()) folder_.resize(*node_, position_);
    return true;
  }

 private:
  MemoryFolder& folder_;
  std::shared_ptr<Node> node_;
  std::size_t position_ = 0;
};

bool MemoryFolder::resize(Node& node, std::size_t size) {
  const std::size_t old = node.entry.bytes.size();
  if (size > old && held_ + (size - old) > limit_) {
    over_ = true;
    return false;
  }
  held_ = held_ - old + size;
  node.entry.bytes.resize(size);
  node.changed = true;
  return true;
}

void MemoryFolder::add(const std::string& name, Entry entry) {
  if (has(name)) return;
  // Names of one identity are one file, whatever the spellings and links.
  if (entry.kind != Kind::missing) {
    for (const auto& [other, node] : names_) {
      if (node->entry.kind != Kind::missing && node->entry.id == entry.id) {
        names_.emplace(name, node);
        return;
      }
    }
  }
  held_ += entry.bytes.size();
  if (held_ > limit_) over_ = true;
  names_.emplace(name, std::make_shared<Node>(Node{std::move(entry)}));
}

void MemoryFolder::alias(const std::string& name, const std::string& existing) {
  const auto it = names_.find(existing);
  if (it != names_.end() && !has(name)) names_.emplace(name, it->second);
}

File MemoryFolder::open_file(std::string_view name, Mode mode, std::string& why) {
  if (name.find('\0') != std::string_view::npos) {
    why = kInvalid;
    return File();
  }
  const auto it = names_.find(name);
  if (it == names_.end()) {
    // A name nobody recorded: nothing the run could open.
    why = kNotFound;
    return File();
  }
  Entry& e = it->second->entry;
  if (e.kind == Kind::folder) {
    why = kIsFolder;
    return File();
  }
  const bool reading = mode == Mode::read || mode == Mode::read_or_create;
  if (e.kind == Kind::missing) {
    if (mode == Mode::read) {
      why = kNotFound;
      return File();
    }
    if (!e.write_refusal.empty()) {
      why = e.write_refusal;
      return File();
    }
    e.kind = Kind::file;
    e.id = FileId{kMemoryVolume, ++created_};
    e.read_refusal.clear();
  } else {
    const std::string& refusal = reading ? e.read_refusal : e.write_refusal;
    if (!refusal.empty()) {
      why = refusal;
      return File();
    }
  }
  if (!reading) it->second->opened_for_writing = true;
  if (mode == Mode::write_emptied && e.kind == Kind::file) resize(*it->second, 0);
  return File::backed_by(std::make_unique<OpenFile>(*this, it->second));
}

std::optional<FileId> MemoryFolder::identity(std::string_view name) const {
  const auto it = names_.find(name);
  if (it == names_.end() || it->second->entry.kind == Kind::missing) return std::nullopt;
  return it->second->entry.id;
}

std::optional<std::string> MemoryFolder::bytes(std::string_view name) const {
  const auto it = names_.find(name);
  if (it == names_.end() || it->second->entry.kind != Kind::file) return std::nullopt;
  return it->second->entry.bytes;
}

std::optional<std::string> MemoryFolder::written(std::string_view name) const {
  const auto it = names_.find(name);
  if (it == names_.end() || !it->second->opened_for_writing) return std::nullopt;
  if (!it->second->changed) return std::string();
  return bytes(name);
}

}  // namespace laifit::platform
