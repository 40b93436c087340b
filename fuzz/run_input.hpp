#pragma once
// The input of the whole-run fuzz targets (fuzz_run, fuzz_inspect): a run folder as one byte string, the
// files one after the other, each followed by the separator line "#--#": param.soj, the observation table
// obs.csv, the climate files clim1.txt and clim2.txt (the seeds' param.soj names them). A file without
// its section is absent from the folder.
//
// run_input.cpp, linked into both targets, holds the structure-aware mutator that changes one section at a
// time, and the openat wrapper that keeps every file the run opens inside the scratch folder.

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.hpp"

namespace laifit::fuzz {

inline constexpr std::string_view kSeparator = "\n#--#\n";
inline constexpr std::array<const char*, 4> kFileNames = {"param.soj", "obs.csv", "clim1.txt", "clim2.txt"};

std::vector<std::string> split_sections(std::string_view input);
std::string join_sections(const std::vector<std::string>& sections);

[[noreturn]] void fail(const std::string& what);

// The scratch run folder: made once, emptied before every run, removed at exit.
class Scratch {
 public:
  Scratch();
  ~Scratch();
  int fd() const { return fd_; }
  // The scratch folder as the run opens it.
  const laifit::platform::Folder& folder() const { return folder_; }
  const std::filesystem::path& path() const { return path_; }
  void clear() const;
  void write(const char* name, std::string_view content) const;
  // Writes the sections of a fuzz input as the folder's files.
  void write_sections(std::string_view input) const;

 private:
  std::filesystem::path path_;
  int fd_ = -1;
  laifit::platform::Folder folder_;
};

Scratch& scratch();

// How many file descriptors the process holds.
std::size_t open_descriptors();

}  // namespace laifit::fuzz
