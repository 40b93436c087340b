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
}  // namespace

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
    out.errors = "laifit-inspect: cannot inspect: " + gathered.cannot + "\n";
    return out;
  }
  const Gathered& g = *gathered.gathered;
  const RunDescription rd = run_description(g);
  const TableView table = table_view(g);
  const ClimateView climate = climate_view(g);
  const FitView fit = fit_view(g, table);
  Findings findings;
  if (!g.recomputed) {
    findings.warn("not-recomputed", "the fit", "the inspector does not run the fit: " + g.not_recomputed + ".",
                  "name the interpolated LAI file relative to the folder");
  }
  check_inputs(g, rd, findings);
  check_table(g, table, findings);
  check_climate(g, climate, table, findings);
  check_fit(g, fit, table, findings);
  check_run_ending(g, findings);

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
  write(options.csv, csv_text(fit));
  // The folder's name, with its parent's when it is a short one such as "in" or "run".
  std::filesystem::path named = std::filesystem::absolute(options.folder).lexically_normal();
  if (!named.has_filename()) named = named.parent_path();
  std::string name = named.filename().string();
  if (name.size() < 4 && named.has_parent_path()) name = cat(named.parent_path().filename().string(), "/", name);
  const std::string title = "LAI fit of " + name;
  write(options.svg, svg_text(fit, title));
  return out;
}

}  // namespace laifit::inspect
