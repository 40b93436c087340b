#include "inspect/gather.hpp"

#include <exception>
#include <fstream>
#include <iterator>

#include "driver/run.hpp"
#include "inspect/folder.hpp"
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

// Copies an input file of the folder to the same name in the scratch run folder. A name that is not a
// regular file in the folder (a folder, a pipe) becomes a folder, on whose opening the run fails as it
// would; a missing file stays missing.
void copy_input(const fs::path& folder, const ScratchFolder& scratch, std::string_view name) {
  if (name.empty() || names_outside_folder(name)) return;
  const auto to = scratch.place(name);
  if (!to) return;
  std::error_code ec;
  const fs::path from = folder / fs::path(name);
  const auto status = fs::status(from, ec);
  if (ec || !fs::exists(status)) return;
  fs::create_directories(to->parent_path(), ec);
  if (fs::is_regular_file(status)) {
    fs::copy_file(from, *to, fs::copy_options::overwrite_existing, ec);
  } else {
    fs::create_directories(*to, ec);
  }
}

// An output named in a subfolder can be written only when that subfolder exists, as in the folder; and
// not at all when its name is taken by something else than a file (a folder).
void make_output_folder(const fs::path& folder, const ScratchFolder& scratch, std::string_view name) {
  std::error_code ec;
  const auto status = fs::status(folder / fs::path(name), ec);
  if (!ec && fs::exists(status) && !fs::is_regular_file(status)) {
    if (const auto to = scratch.place(name)) fs::create_directories(*to, ec);
    return;
  }
  const fs::path parent = fs::path(name).parent_path();
  if (parent.empty()) return;
  if (!fs::is_directory(folder / parent, ec)) return;
  if (const auto to = scratch.place(parent.string())) fs::create_directories(*to, ec);
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

void recompute(Gathered& g) {
  ScratchFolder scratch;
  copy_input(g.folder, scratch, "param.soj");
  for (const NameLine line : {kClimate1, kClimate2, kObservations}) {
    if (const std::string* name = g.name(line)) copy_input(g.folder, scratch, *name);
  }
  if (const std::string* lai = g.name(kLaiFile)) make_output_folder(g.folder, scratch, *lai);

  const auto run_folder = FolderHandle::open(scratch.run());
  if (!run_folder) throw std::runtime_error("cannot open the scratch folder " + scratch.run().string());
  const RunHooks hooks{&g.log, &g.details};
  try {
    g.status = run_laifit(run_folder->native(), std::make_unique<NullSink>(), g.error_text, &hooks);
  } catch (const std::exception& e) {
    g.internal_error = e.what();
    g.status = 3;
  }
  g.recomputed = true;
  scan_header(g, run_folder->native());
  if (const std::string* lai = g.name(kLaiFile)) {
    if (const auto at = scratch.place(*lai)) g.lai_file = file_bytes(*at);
  }
  g.report_file = file_bytes(scratch.run() / "adjust_lai.txt");
}

}  // namespace

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
  if (!fs::exists(folder, ec)) {
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
  const auto handle = FolderHandle::open(folder);
  if (!handle) {
    out.cannot = "the folder " + folder.string() + " cannot be read";
    return out;
  }
  auto g = std::make_unique<Gathered>();
  g->folder = folder;
  g->names = read_names(handle->native(), out.cannot);
  if (!out.cannot.empty()) return out;

  const std::string* lai = g->name(kLaiFile);
  if (lai != nullptr && names_outside_folder(*lai)) {
    g->not_recomputed =
        "the interpolated LAI file is named by an absolute path (" + *lai + "), and a run would write there";
  } else {
    recompute(*g);
  }
  out.gathered = std::move(g);
  return out;
}

}  // namespace laifit::inspect
