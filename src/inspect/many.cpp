#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

#include "inspect/inspect.hpp"
#include "inspect/outputs.hpp"
#include "inspect/text.hpp"

namespace laifit::inspect {
namespace {

namespace fs = std::filesystem;

// The folders of the command: those given, then every folder below --tree that holds a param.soj, in
// byte order of their paths; links to folders are not followed.
std::vector<fs::path> trial_folders(const Arguments& a, std::string& error) {
  std::vector<fs::path> folders = a.folders;
  if (!a.tree) return folders;
  std::error_code ec;
  if (!fs::is_directory(*a.tree, ec)) {
    error = "--tree " + a.tree->string() + ": not a folder";
    return folders;
  }
  std::vector<std::string> found;
  if (fs::is_regular_file(*a.tree / "param.soj", ec)) found.push_back(a.tree->string());
  fs::recursive_directory_iterator it(*a.tree, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code kind;
    if (it->is_symlink(kind) || !it->is_directory(kind)) continue;
    if (fs::is_regular_file(it->path() / "param.soj", kind)) found.push_back(it->path().string());
  }
  std::sort(found.begin(), found.end());  // std::string compares bytes as unsigned char
  folders.insert(folders.end(), found.begin(), found.end());
  return folders;
}

// One inspection that cannot fail the others: an exception becomes its own status 2.
Outcome inspect_one(const Options& options) {
  try {
    return inspect(options);
  } catch (const std::exception& e) {
    Outcome out;
    out.errors = "laifit-inspect: " + options.folder.string() + ": " + e.what() + "\n";
    return out;
  }
}

// Every folder inspected by a pool of threads, each outcome in its folder's place.
std::vector<Outcome> inspect_all(const Arguments& a, const std::vector<fs::path>& folders) {
  std::vector<Outcome> outcomes(folders.size());
  unsigned threads = a.jobs != 0 ? a.jobs : std::max(1u, std::thread::hardware_concurrency());
  threads = static_cast<unsigned>(std::min<std::size_t>(threads, folders.size()));
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t k = next++; k < folders.size(); k = next++) {
      Options o = a.options;
      o.folder = folders[k];
      o.keep_fit = true;
      o.keep_picture = a.html.has_value();
      if (a.summary) o.also_written.emplace_back("--summary", *a.summary);
      if (a.html) o.also_written.emplace_back("--html", *a.html);
      outcomes[k] = inspect_one(o);
    }
  };
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();
  return outcomes;
}

}  // namespace

Outcome inspect_many(const Arguments& a) {
  Outcome out;
  const std::vector<fs::path> folders = trial_folders(a, out.errors);
  if (!out.errors.empty()) {
    out.errors = "laifit-inspect: " + out.errors + "\n";
    return out;
  }
  if (folders.empty()) {
    out.errors = "laifit-inspect: no folder to inspect" +
                 (a.tree ? " (no folder below " + a.tree->string() + " holds a param.soj)" : std::string()) + "\n";
    return out;
  }
  const std::vector<Outcome> outcomes = inspect_all(a, folders);
  std::vector<Inspected> inspected;
  bool refused = false;
  out.status = kClean;
  for (std::size_t k = 0; k < folders.size(); ++k) {
    out.report += outcomes[k].report;
    if (k + 1 < folders.size() && !outcomes[k].report.empty()) out.report += "\n";
    out.errors += outcomes[k].errors;
    out.status = std::max(out.status, outcomes[k].status);
    refused = refused || outcomes[k].refused;
    inspected.push_back(Inspected{folders[k], &outcomes[k]});
  }
  // A summary or a page that would overwrite a file of a run is not written at all.
  if (refused) return out;
  const auto write = [&](const std::optional<fs::path>& path, const std::string& text) {
    if (!path) return;
    if (const std::string why = write_records(*path, text); !why.empty()) {
      out.errors += "laifit-inspect: cannot write " + path->string() + ": " + why + "\n";
      out.status = kCannotInspect;
    }
  };
  write(a.summary, summary_csv(inspected));
  write(a.html, report_page(inspected));
  return out;
}

}  // namespace laifit::inspect
