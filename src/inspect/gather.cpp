#include "inspect/gather.hpp"

#include <algorithm>
#include <exception>
#include <fstream>
#include <iterator>

#include "driver/run.hpp"
#include "inspect/folder.hpp"
#include "platform/memory_folder.hpp"
#include "platform/read_file.hpp"
#include "records/failure.hpp"
#include "records/list_input.hpp"
#include "records/units.hpp"
#include "state/units_of_run.hpp"

namespace laifit::inspect {
namespace {

namespace fs = std::filesystem;

// The unit on which the inspector reads a file of the folder itself.
constexpr int kOwnUnit = 30;

// The first four reads of "param.soj", the same statements as the run's: one free-format text each.
std::vector<std::string> read_names(const platform::Folder& folder, std::string& cannot) {
  std::vector<std::string> names;
  try {
    Units units(folder, std::make_unique<NullSink>());
    InputChannel& soj = units.open_input(unit::kParam, "param.soj");
    for (int k = 0; k < 4; ++k) {
      FixedText<30> name;
      if (!read_list_or_end(soj, {name})) break;
      names.emplace_back(name.trimmed());
    }
  } catch (const RunFailure& failure) {
    cannot = "param.soj cannot be read: " + failure.cause();
  }
  return names;
}

// What the system says of a name of the folder, without changing anything: its kind and identity, its
// bytes, and whether it may be opened for reading, written or created.
platform::MemoryFolder::Entry entry_of(const fs::path& path, const platform::Folder& folder, const std::string& name) {
  using Kind = platform::MemoryFolder::Kind;
  platform::MemoryFolder::Entry e;
  std::string why;
  platform::File file = folder.open_file(name, platform::Mode::read, why);
  const auto id = folder.identity(name);
  if (id) e.id = *id;
  if (!file.is_open()) {
    const platform::Cause cause = platform::cause_of(why);
    if (cause == platform::Cause::is_folder) {
      e.kind = Kind::folder;
      return e;
    }
    e.kind = cause == platform::Cause::not_found || !id ? Kind::missing : Kind::file;
    if (e.kind == Kind::file) e.read_refusal = why;
    e.write_refusal = folder.writable(name);
    return e;
  }
  platform::File::Info info;
  if (!file.info(info, why) || !info.regular) {
    e.kind = Kind::not_regular;
    return e;
  }
  e.kind = Kind::file;
  e.id = info.id;
  // The size the file system gives, so that the bytes are held once, without growing into a copy.
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(path / fs::path(name), ec);
  if (!ec && size <= kMemoryLimit) e.bytes.reserve(static_cast<std::size_t>(size));
  char buffer[1 << 16];
  for (std::uint64_t at = 0;;) {
    const std::int64_t got = file.read_at(at, buffer, sizeof buffer, why);
    if (got <= 0) break;
    e.bytes.append(buffer, static_cast<std::size_t>(got));
    at += static_cast<std::uint64_t>(got);
  }
  e.write_refusal = folder.writable(name);
  return e;
}

// The names a run of the folder may open: param.soj, the names it holds, and the outputs.
std::vector<std::string> run_names(const std::vector<std::string>& described) {
  std::vector<std::string> names{"param.soj"};
  for (const std::string& name : described) {
    if (!name.empty()) names.push_back(name);
  }
  names.insert(names.end(), std::begin(kRunOutputs), std::end(kRunOutputs));
  return names;
}

// The sizes of the files of names that exist, as the file system gives them, in bytes.
std::uintmax_t size_of_files(const fs::path& folder, const std::vector<std::string>& names) {
  std::uintmax_t total = 0;
  for (const std::string& name : names) {
    std::error_code ec;
    const fs::path path = folder / fs::path(name);
    if (fs::is_regular_file(path, ec)) {
      const std::uintmax_t size = fs::file_size(path, ec);
      if (!ec) total += size;
    }
  }
  return total;
}

// The folder in memory: every name of the run recorded from the folder. Two spellings of one missing
// file (tempobs.txt and ./tempobs.txt) are one file, as they would be once created.
void fill(platform::MemoryFolder& memory, const fs::path& path, const platform::Folder& folder,
          const std::vector<std::string>& names) {
  std::vector<std::pair<std::string, std::string>> missing;  // normal form, name
  for (const std::string& name : names) {
    if (memory.has(name)) continue;
    platform::MemoryFolder::Entry e = entry_of(path, folder, name);
    if (e.kind == platform::MemoryFolder::Kind::missing) {
      const std::string normal = fs::path(name).lexically_normal().generic_string();
      const auto same = std::find_if(missing.begin(), missing.end(), [&](const auto& m) { return m.first == normal; });
      if (same != missing.end()) {
        memory.alias(name, same->second);
        continue;
      }
      missing.emplace_back(normal, name);
    }
    memory.add(name, std::move(e));
  }
}

std::string too_large(const fs::path& folder, std::uintmax_t bytes) {
  const std::uintmax_t mib = (bytes + kMemoryMiB - 1) / kMemoryMiB;
  return folder.string() + ": too large to inspect (" + std::to_string(mib) + " MiB of files; at most " +
         std::to_string(kMemoryLimit / kMemoryMiB) + ")";
}

void scan_header(Gathered& g, const platform::Folder& run_folder) {
  const std::string* table = g.name(kObservations);
  if (table == nullptr) return;
  try {
    Units units(run_folder, std::make_unique<NullSink>());
    InputChannel& in = units.open_input(kOwnUnit, *table);
    scan_list_record(in, g.header_scan);
  } catch (const RunFailure&) {
    // An unreadable table: the run has said why.
  }
}

// laifit's own run on the folder held in memory: the folder is read, never written.
void recompute(Gathered& g, const platform::Folder& folder) {
  std::uintmax_t size = 0;
  const auto memory = hold_in_memory(g.folder, folder, g.names, size);
  if (!memory) {
    g.too_large = too_large(g.folder, size);
    return;
  }
  const platform::Folder run_folder = platform::Folder::backed_by(memory);
  const RunHooks hooks{&g.log, &g.details};
  try {
    g.status = run_laifit(run_folder, std::make_unique<NullSink>(), g.error_text, &hooks);
  } catch (const std::exception& e) {
    g.internal_error = e.what();
    g.status = 3;
  }
  if (memory->over_limit()) {
    g.too_large = too_large(g.folder, std::max<std::uintmax_t>(memory->held(), kMemoryLimit + 1));
    return;
  }
  g.recomputed = true;
  scan_header(g, run_folder);
  if (const std::string* lai = g.name(kLaiFile)) {
    g.lai_file = memory->written(*lai);
    // An LAI file that is one of the inputs is that input, not an output left from an earlier run.
    const auto id = memory->identity(*lai);
    for (std::size_t k = 0; !g.lai_file && id && k < std::min<std::size_t>(g.names.size(), kLaiFile); ++k) {
      if (memory->identity(g.names[k]) == id) g.lai_file = memory->bytes(*lai);
    }
  }
  g.report_file = memory->written("adjust_lai.txt");
}

}  // namespace

std::vector<std::string> described_names(const platform::Folder& folder, std::string& cannot) {
  return read_names(folder, cannot);
}

std::shared_ptr<platform::MemoryFolder> hold_in_memory(const fs::path& path, const platform::Folder& folder,
                                                       const std::vector<std::string>& described,
                                                       std::uintmax_t& size) {
  const std::vector<std::string> names = run_names(described);
  size = size_of_files(path, names);
  if (size > kMemoryLimit) return nullptr;
  auto memory = std::make_shared<platform::MemoryFolder>(kMemoryLimit);
  fill(*memory, path, folder, names);
  return memory;
}

FileState file_state(const fs::path& folder, std::string_view name) {
  FileState state;
  std::error_code ec;
  const fs::path path = folder / fs::path(name);
  const auto status = fs::status(path, ec);
  if (ec || !fs::exists(status)) return state;
  if (!fs::is_regular_file(status)) {
    state.kind = FileState::Kind::not_regular;
    return state;
  }
  state.size = fs::file_size(path, ec);
  const auto time = fs::last_write_time(path, ec);
  if (!ec) state.time = time;
  state.kind = state.size == 0 ? FileState::Kind::empty : FileState::Kind::present;
  return state;
}

std::optional<std::string> file_bytes(const fs::path& path) { return platform::read_file(path); }

GatherOutcome gather(const fs::path& folder) {
  GatherOutcome out;
  std::error_code ec;
  const fs::file_status status = fs::status(folder, ec);
  if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory) {
    // A name too long, a loop of links, a folder on the way that cannot be searched: the system's reason.
    out.cannot = folder.string() + ": " + ec.message();
    return out;
  }
  if (!fs::exists(status)) {
    out.cannot = folder.string() + " does not exist";
    return out;
  }
  if (!fs::is_directory(folder, ec)) {
    out.cannot = folder.string() + " is not a folder";
    return out;
  }
  const FileState soj = file_state(folder, "param.soj");
  if (soj.kind == FileState::Kind::absent) {
    out.cannot = "no param.soj in " + folder.string() + ": this is not a laifit run folder";
    return out;
  }
  if (soj.kind == FileState::Kind::not_regular) {
    out.cannot = "param.soj in " + folder.string() + " is not a regular file";
    return out;
  }
  auto handle = FolderHandle::open(folder);
  if (!handle) {
    out.cannot = "the folder " + folder.string() + " cannot be read";
    return out;
  }
  // Never a half-written folder: a run in it ends first, and none starts until the folder is read.
  handle->lock_for_reading();
  auto g = std::make_unique<Gathered>();
  g->folder = folder;
  g->names = described_names(handle->native(), out.cannot);
  if (!out.cannot.empty()) return out;

  const std::string* lai = g->name(kLaiFile);
  if (lai != nullptr && names_outside_folder(*lai)) {
    g->not_recomputed =
        "the interpolated LAI file is named by an absolute path (" + *lai + "), and a run would write there";
  } else {
    recompute(*g, handle->native());
    if (!g->too_large.empty()) {
      out.too_large = g->too_large;
      return out;
    }
  }
  out.gathered = std::move(g);
  return out;
}

}  // namespace laifit::inspect
