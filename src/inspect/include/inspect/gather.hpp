#pragma once
// What the inspector learns from a run folder before it judges anything: the names that the run
// description gives, the state of each file in the folder, and laifit's own run on copies of the inputs
// in a scratch folder, observed read by read, with the details the run hands back.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driver/run_details.hpp"
#include "inspect/read_log.hpp"
#include "platform/memory_folder.hpp"

namespace laifit::inspect {

// The most that an inspection holds in memory: the folder's files and what the run writes.
inline constexpr std::uintmax_t kMemoryMiB = 1024 * 1024;
inline constexpr std::uintmax_t kMemoryLimit = 512 * kMemoryMiB;

// The files that laifit writes into its folder, besides the interpolated LAI file.
inline constexpr const char* kRunOutputs[] = {"test.txt", "tempobs2.txt", "tempobs.txt", "adjust_lai.txt",
                                              "history.kvt"};

// The names on the first four lines of "param.soj", in this order.
enum NameLine : std::size_t { kClimate1 = 0, kClimate2 = 1, kObservations = 2, kLaiFile = 3 };

struct FileState {
  enum class Kind { absent, not_regular, empty, present };
  Kind kind = Kind::absent;
  std::uintmax_t size = 0;
  std::optional<std::filesystem::file_time_type> time;
};

FileState file_state(const std::filesystem::path& folder, std::string_view name);

struct Gathered {
  std::filesystem::path folder;
  // The names read from "param.soj" by the run's own first four reads (fewer when it ends before).
  std::vector<std::string> names;
  // The run on the copies: whether it took place, and why not.
  bool recomputed = false;
  std::string not_recomputed;
  std::string too_large;  // the folder's files and the run's outputs do not fit the inspection's memory
  int status = 0;
  std::string error_text;
  std::optional<std::string> internal_error;  // laifit's own code failed a check
  RunDetails details;
  ReadLog log;
  // The observation table's first line scanned as free-format values, all of its length.
  ReadLog header_scan;
  // What the run wrote: the interpolated LAI file and the estimator's report.
  std::optional<std::string> lai_file;
  std::optional<std::string> report_file;

  const std::string* name(NameLine line) const { return line < names.size() ? &names[line] : nullptr; }
};

struct GatherOutcome {
  std::unique_ptr<Gathered> gathered;  // null when the folder cannot be inspected
  std::string cannot;                  // why
  std::string too_large;               // or: "FOLDER: too large to inspect (...)"
};

GatherOutcome gather(const std::filesystem::path& folder);

// The names on the first four lines of the folder's "param.soj", read by the run's own statements; cannot
// says why when it cannot be read.
std::vector<std::string> described_names(const platform::Folder& folder, std::string& cannot);

// Every file a run of the folder (at path, opened as folder) may open, held in memory with what the system
// says of it: "param.soj", the described names and laifit's outputs. Null, with size set to the files'
// size, when they pass the inspection's memory limit.
std::shared_ptr<platform::MemoryFolder> hold_in_memory(const std::filesystem::path& path,
                                                       const platform::Folder& folder,
                                                       const std::vector<std::string>& described, std::uintmax_t& size);

// The bytes of a file, or nothing when it cannot be read.
std::optional<std::string> file_bytes(const std::filesystem::path& path);

}  // namespace laifit::inspect
