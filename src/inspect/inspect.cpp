#include "inspect/inspect.hpp"

#include "inspect/climate.hpp"
#include "inspect/fit.hpp"
#include "inspect/folder.hpp"
#include "inspect/gather.hpp"
#include "inspect/inputs.hpp"
#include "inspect/outputs.hpp"
#include "inspect/report.hpp"
#include "inspect/table.hpp"
#include "inspect/text.hpp"
#include "records/failure.hpp"
#include "records/units.hpp"

namespace laifit::inspect {

namespace {
constexpr int kOutputUnit = 31;

namespace fs = std::filesystem;

// Where a file is, for telling whether two names are one file: its identity when it exists, and its
// absolute path with the links of its folder resolved.
struct Place {
  std::optional<platform::FileId> id;
  fs::path path;
  bool same(const Place& other) const { return id && other.id ? *id == *other.id : path == other.path; }
};

Place place_of(const fs::path& folder, const fs::path& name) {
  const fs::path full = folder / name;
  const fs::path parent = full.parent_path().empty() ? fs::path(".") : full.parent_path();
  Place p;
  std::error_code ec;
  p.path = fs::weakly_canonical(fs::absolute(parent, ec), ec) / full.filename();
  if (const auto handle = FolderHandle::open(parent)) p.id = handle->native().identity(full.filename().string());
  return p;
}

// Why the file an option names may not be written: it is an input or an output of laifit in the
// inspected folder; "" when it may.
std::string refusal(const fs::path& file, std::string_view option, const Gathered& g) {
  const Place place = place_of(fs::path("."), file);
  std::vector<std::pair<std::string, std::string>> run_files{{"param.soj", "the run description"}};
  const char* const roles[] = {"the first climate file", "the second climate file", "the observation table",
                               "the interpolated LAI file"};
  for (std::size_t k = 0; k < g.names.size() && k < 4; ++k) run_files.emplace_back(g.names[k], roles[k]);
  for (const char* name : kRunOutputs) {
    run_files.emplace_back(name, "a file that laifit writes");
  }
  for (const auto& [name, role] : run_files) {
    if (place.same(place_of(g.folder, name))) {
      return cat(std::string(option), " ", file.string(), ": this is ", name, " of the folder ", g.folder.string(),
                 " (", role, "); give another name");
    }
  }
  return "";
}

// The files that the command writes, each with its option.
std::vector<std::pair<std::string, fs::path>> written_files(const Options& options) {
  std::vector<std::pair<std::string, fs::path>> files;
  if (options.csv) files.emplace_back("--csv", *options.csv);
  if (options.svg) files.emplace_back("--svg", *options.svg);
  files.insert(files.end(), options.also_written.begin(), options.also_written.end());
  return files;
}

}  // namespace

std::string refused_outputs(const Options& options, const Gathered& g) {
  const auto files = written_files(options);
  for (std::size_t k = 0; k < files.size(); ++k) {
    if (std::string why = refusal(files[k].second, files[k].first, g); !why.empty()) return why;
    for (std::size_t j = 0; j < k; ++j) {
      if (place_of(fs::path("."), files[k].second).same(place_of(fs::path("."), files[j].second))) {
        return cat(files[k].first, " ", files[k].second.string(), ": this is also the file of ", files[j].first,
                   "; give each its own name");
      }
    }
  }
  return "";
}

std::string write_records(const std::filesystem::path& path, const std::string& text) {
  const std::filesystem::path parent = path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
  const auto folder = FolderHandle::open(parent);
  if (!folder) return "cannot open the folder " + parent.string();
  try {
    Units units(folder->native(), std::make_unique<NullSink>());
    OutputChannel& out = units.open_output(kOutputUnit, path.filename().string(), Units::Empty::at_open);
    std::size_t start = 0;
    while (start < text.size()) {
      const std::size_t end = std::min(text.find('\n', start), text.size());
      out.write_pieces({std::string_view(text).substr(start, end - start)});
      start = end + 1;
    }
    units.close(kOutputUnit);
  } catch (const RunFailure& failure) {
    return failure.cause();
  }
  return "";
}

Outcome inspect(const Options& options) {
  Outcome out;
  GatherOutcome gathered = gather(options.folder);
  if (!gathered.gathered) {
    out.status = kCannotInspect;
    out.errors =
        "laifit-inspect: " + (gathered.too_large.empty() ? "cannot inspect: " + gathered.cannot : gathered.too_large) +
        "\n";
    return out;
  }
  const Gathered& g = *gathered.gathered;
  if (const std::string why = refused_outputs(options, g); !why.empty()) {
    out.status = kCannotInspect;
    out.refused = true;
    out.errors = "laifit-inspect: " + why + "\n";
    return out;
  }
  const RunDescription rd = run_description(g);
  const TableView table = table_view(g);
  const ClimateView climate = climate_view(g);
  const FitView fit = fit_view(g, table, climate);
  Findings findings;
  if (!g.recomputed)
    findings.add("not-recomputed", "the fit", "the inspector does not run the fit: " + g.not_recomputed + ".");
  check_inputs(g, rd, findings);
  check_table(g, table, findings);
  check_climate(g, climate, table, findings);
  check_fit(g, fit, table, findings);
  explain_ending(g, findings);

  out.report = report_text(ReportParts{g, table, climate, fit, findings}, options.quiet);
  out.status = findings.warnings() > 0 ? kWarnings : kClean;
  out.findings = findings.all();
  const auto write = [&](const std::optional<std::filesystem::path>& path, const std::string& text) {
    if (!path) return;
    const std::string why = write_records(*path, text);
    if (!why.empty()) {
      out.errors += "laifit-inspect: cannot write " + path->string() + ": " + why + "\n";
      out.status = kCannotInspect;
    }
  };
  write(options.csv, csv_text(fit, options.folder.string()));
  // The folder's name, with its parent's when it is a short one such as "in" or "run".
  std::filesystem::path named = std::filesystem::absolute(options.folder).lexically_normal();
  if (!named.has_filename()) named = named.parent_path();
  std::string name = named.filename().string();
  if (name.size() < 4 && named.has_parent_path()) name = cat(named.parent_path().filename().string(), "/", name);
  const std::string title = "LAI fit of " + name;
  write(options.svg, svg_text(fit, title, findings.warnings()));
  if (options.keep_fit) out.fit = std::make_shared<const FitView>(fit);
  if (options.keep_picture) out.svg = svg_text(fit, title, findings.warnings());
  return out;
}

}  // namespace laifit::inspect
