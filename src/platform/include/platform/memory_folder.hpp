#pragma once
// A run folder held in memory. Every name a run may open is recorded beforehand with what the system
// says of it (its bytes, identity and kind, and whether it may be read, written or created), so that a
// run on it reads the same bytes and meets the same failures as in the folder, and writes nothing to disk.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files.hpp"

namespace laifit::platform {

class MemoryFolder : public FolderBackend {
 public:
  enum class Kind { file, folder, missing, not_regular };
  // What a name leads to, as the system says.
  struct Entry {
    Kind kind = Kind::missing;
    FileId id;                  // of an existing file or folder
    std::string bytes;          // a file's contents
    std::string read_refusal;   // why it cannot be opened for reading, "" when it can
    std::string write_refusal;  // why it cannot be opened for writing or created, "" when it can
  };

  // At most limit bytes held in all: a write beyond that fails, and over_limit() says so.
  explicit MemoryFolder(std::size_t limit) : limit_(limit) {}

  // Records a name; a name recorded again keeps its first entry.
  void add(const std::string& name, Entry entry);
  // Makes name lead where `existing` leads (a link, or two spellings of one missing file).
  void alias(const std::string& name, const std::string& existing);
  bool has(std::string_view name) const { return names_.find(name) != names_.end(); }

  File open_file(std::string_view name, Mode mode, std::string& why) override;
  std::optional<FileId> identity(std::string_view name) const override;

  // The contents of the file a name leads to now, when it is a file.
  std::optional<std::string> bytes(std::string_view name) const;
  // What a run wrote into the file: nothing when it did not open it for writing, "" when it opened it
  // but neither wrote nor emptied it (what is there is left from before), its contents otherwise.
  std::optional<std::string> written(std::string_view name) const;
  std::size_t held() const { return held_; }
  bool over_limit() const { return over_; }

 private:
  struct Node {
    Entry entry;
    bool opened_for_writing = false;
    bool changed = false;  // written or emptied by a run
  };
  class OpenFile;

  // Accounts for a file's growth or shrinking; false when the folder would pass its limit.
  bool resize(Node& node, std::size_t size);

  std::map<std::string, std::shared_ptr<Node>, std::less<>> names_;
  std::size_t limit_;
  std::size_t held_ = 0;
  bool over_ = false;
  std::uint64_t created_ = 0;  // files created by runs, numbered for their identity
};

}  // namespace laifit::platform
