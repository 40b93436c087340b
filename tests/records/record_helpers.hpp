#pragma once
// Helpers shared by the record-layer tests: statements rendered into strings, scratch folders holding
// the files that reads and opens work on.

#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/files.hpp"
#include "platform/folder_path.hpp"
#include "platform/read_file.hpp"
#include "records/format.hpp"
#include "records/input.hpp"
#include "records/items.hpp"
#include "records/output.hpp"
#include "support/scratch.hpp"

namespace laifit::testing {

// The bit pattern of a float, and the float of a bit pattern.
inline std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }
inline float from_bits(std::uint32_t u) { return std::bit_cast<float>(u); }

inline constexpr float kInf = std::numeric_limits<float>::infinity();

// The end of every output record.
inline const std::string kEnd = "\r\n";

// Everything one fixed-field statement writes, each record with its CR LF.
inline std::string render(std::string_view literal, std::initializer_list<Item> items) {
  std::string out;
  OutputChannel channel(10, "capture", std::make_unique<StringSink>(out));
  channel.write(Format(literal), items);
  channel.flush();
  return out;
}

// Everything one free-format statement writes.
inline std::string render_list(std::initializer_list<Item> items) {
  std::string out;
  OutputChannel channel(10, "capture", std::make_unique<StringSink>(out));
  channel.write_list(items);
  channel.flush();
  return out;
}

// A fresh folder under the system's temporary directory, removed with everything in it at the end.
class ScratchDir {
 public:
  ScratchDir() : path_(make_scratch_folder("laifit-records")), folder_(open_folder(path_)) {}
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const platform::Folder& folder() const { return folder_; }
  std::filesystem::path path(std::string_view name) const { return path_ / name; }
  bool exists(std::string_view name) const { return std::filesystem::exists(path(name)); }

  void write(std::string_view name, std::string_view content) const {
    std::ofstream f(path(name), std::ios::binary | std::ios::trunc);
    f.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!f) throw std::runtime_error("cannot write a scratch file");
  }
  std::string read(std::string_view name) const {
    std::optional<std::string> bytes = platform::read_file(path(name));
    if (!bytes) throw std::runtime_error("cannot read a scratch file");
    return *bytes;
  }

  // A file of the folder, opened as the run opens it.
  platform::File open(std::string_view name, platform::Mode mode) const {
    std::string why;
    platform::File file = folder_.open_file(name, mode, why);
    if (!file.is_open()) throw std::runtime_error("cannot open a scratch file: " + why);
    return file;
  }

  // An input channel (unit 20) over a new file holding content.
  std::unique_ptr<InputChannel> input(std::string_view content, std::string_view name = "in.txt") const {
    write(name, content);
    return std::make_unique<InputChannel>(20, std::string(name), open(name, platform::Mode::read));
  }

 private:
  static platform::Folder open_folder(const std::filesystem::path& path) {
    std::string why;
    platform::Folder folder = platform::open_folder(path, why);
    if (!folder.is_open()) throw std::runtime_error("cannot open the scratch folder: " + why);
    return folder;
  }

  std::filesystem::path path_;
  platform::Folder folder_;
};

}  // namespace laifit::testing
