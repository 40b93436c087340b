#pragma once
// Helpers shared by the record-layer tests: statements rendered into strings, scratch folders holding
// the files that reads and opens work on.

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "records/format.hpp"
#include "records/input.hpp"
#include "records/items.hpp"
#include "records/output.hpp"

namespace laifit::testing {

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
  ScratchDir() {
    const std::string pattern = (std::filesystem::temp_directory_path() / "laifit-records-XXXXXX").string();
    std::string buf = pattern;
    if (::mkdtemp(buf.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = buf;
    fd_ = ::open(path_.c_str(), O_DIRECTORY | O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw std::runtime_error("cannot open the scratch folder");
  }
  ~ScratchDir() {
    ::close(fd_);
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  int fd() const { return fd_; }
  std::filesystem::path path(std::string_view name) const { return path_ / name; }
  bool exists(std::string_view name) const { return std::filesystem::exists(path(name)); }

  void write(std::string_view name, std::string_view content) const {
    std::ofstream f(path(name), std::ios::binary | std::ios::trunc);
    f.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!f) throw std::runtime_error("cannot write a scratch file");
  }
  std::string read(std::string_view name) const {
    std::ifstream f(path(name), std::ios::binary);
    if (!f) throw std::runtime_error("cannot read a scratch file");
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }

  // An input channel (unit 20) over a new file holding content.
  std::unique_ptr<InputChannel> input(std::string_view content, std::string_view name = "in.txt") const {
    write(name, content);
    const int fd = ::openat(fd_, std::string(name).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot open a scratch file");
    return std::make_unique<InputChannel>(20, std::string(name), fd);
  }

 private:
  std::filesystem::path path_;
  int fd_ = -1;
};

}  // namespace laifit::testing
