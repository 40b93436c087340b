// The inspector's numbers are laifit's own: a run given the hooks writes exactly what the reference runs
// recorded, and the estimates and fitted values that the inspector shows are the run's, bit for bit.

#include <gtest/gtest.h>

#include <bit>

#include "driver/run.hpp"
#include "driver/run_details.hpp"
#include "e2e/bad_inputs.hpp"
#include "folders.hpp"
#include "inspect/fit.hpp"
#include "inspect/gather.hpp"
#include "inspect/table.hpp"
#include "platform/folder_path.hpp"
#include "records/output.hpp"

namespace laifit::testing {
namespace {

std::vector<std::filesystem::path> reference_runs() {
  std::vector<std::filesystem::path> runs;
  for (const auto& e : std::filesystem::directory_iterator(LAIFIT_CASES_DIR)) {
    if (std::filesystem::is_directory(e.path() / "in")) runs.push_back(e.path());
  }
  std::sort(runs.begin(), runs.end());
  return runs;
}

TEST(Recompute, ARunWithTheHooksWritesWhatTheReferenceRunsRecorded) {
  const auto runs = reference_runs();
  ASSERT_GT(runs.size(), 40u);
  for (const auto& run : runs) {
    SCOPED_TRACE(run.filename().string());
    RunFolder folder;
    for (const auto& [name, content] : files_of(run / "in")) folder.write(name, content);
    std::string why;
    const platform::Folder run_folder = platform::open_folder(folder.dir(), why);
    ASSERT_TRUE(run_folder.is_open()) << why;
    inspect::ReadLog log;
    RunDetails details;
    const RunHooks hooks{&log, &details};
    std::string screen, errors;
    const int status = run_laifit(run_folder, std::make_unique<StringSink>(screen), errors, &hooks);
    EXPECT_EQ(status, std::stoi(slurp(run / "status")));
    EXPECT_TRUE(screen == slurp(run / "stdout")) << "the screen differs";
    const Files after = files_of(folder.dir()), expected = files_of(run / "out");
    for (const auto& [name, content] : expected) {
      ASSERT_TRUE(after.count(name)) << name;
      EXPECT_TRUE(after.at(name) == content) << name << " differs";
    }
    EXPECT_EQ(after.size(), expected.size());
    EXPECT_FALSE(log.statements().empty() && status == 0);
  }
}

// laifit's run on a folder held in memory as the inspector holds it.
struct MemoryRun {
  int status = -1;
  std::string screen, errors;
  std::shared_ptr<platform::MemoryFolder> memory;
};

MemoryRun run_in_memory(const std::filesystem::path& dir) {
  std::string why, cannot;
  const platform::Folder native = platform::open_folder(dir, why);
  MemoryRun r;
  if (!native.is_open()) return r;
  std::uintmax_t size = 0;
  r.memory = inspect::hold_in_memory(dir, native, inspect::described_names(native, cannot), size);
  if (r.memory)
    r.status = run_laifit(platform::Folder::backed_by(r.memory), std::make_unique<StringSink>(r.screen), r.errors);
  return r;
}

// Every file of the run folder that the run may open is the memory folder's after the run, byte for byte
// (the others stay as they were), and the memory folder holds no file of laifit's outputs that the run
// folder lacks.
void expect_same_files(const Files& after, const platform::MemoryFolder& memory) {
  for (const auto& [name, content] : after) {
    if (!memory.has(name)) continue;
    const auto held = memory.bytes(name);
    EXPECT_TRUE(held && *held == content) << name << (held ? " differs" : " is missing in memory");
  }
  for (const char* name :
       {"test.txt", "tempobs2.txt", "tempobs.txt", "adjust_lai.txt", "history.kvt", "lai_interp.txt"}) {
    EXPECT_EQ(memory.bytes(name).has_value(), after.count(name) == 1) << name;
  }
}

TEST(Recompute, TheRunInMemoryIsLaifitsOnEveryReferenceRunAndBadInput) {
  for (const auto& run : reference_runs()) {
    SCOPED_TRACE(run.filename().string());
    RunFolder folder;
    for (const auto& [name, content] : files_of(run / "in")) folder.write(name, content);
    const MemoryRun r = run_in_memory(folder.dir());
    if (!std::filesystem::exists(run / "in" / "param.soj")) continue;  // nothing to hold: the inspector refuses
    ASSERT_TRUE(r.memory);
    EXPECT_EQ(r.status, std::stoi(slurp(run / "status")));
    EXPECT_TRUE(r.screen == slurp(run / "stdout")) << "the screen differs";
    std::istringstream patterns(slurp(run / "stderr")), got(r.errors);
    for (std::string pattern, line; std::getline(patterns, pattern);) {
      EXPECT_TRUE(std::getline(got, line) && glob_match(line, pattern)) << line << " against " << pattern;
    }
    expect_same_files(files_of(run / "out"), *r.memory);
    EXPECT_TRUE(files_of(folder.dir()) == files_of(run / "in")) << "the folder was written";
  }
  for (const BadInput& c : bad_inputs()) {
    if (!c.screen_target.empty()) continue;  // about the screen itself
    SCOPED_TRACE(c.what);
    RunFolder native, held;
    write_inputs(native, c);
    write_inputs(held, c);
    const RunFolder::Result real = native.run_in_process();
    const MemoryRun r = run_in_memory(held.dir());
    if (!held.exists("param.soj")) continue;
    ASSERT_TRUE(r.memory);
    EXPECT_EQ(r.status, real.status);
    EXPECT_TRUE(r.screen == real.screen) << "the screen differs";
    EXPECT_EQ(r.errors, real.errors);
    expect_same_files(native.files(), *r.memory);
  }
}

// Line k (from 1) of a file, without its CR LF.
std::string line_of(const std::string& text, int k) {
  std::istringstream in(text);
  std::string line;
  for (int n = 1; n <= k && std::getline(in, line); ++n) {
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

TEST(Recompute, EstimatesAndFittedValuesAreTheRunsBitForBit) {
  std::size_t fits = 0;
  for (const auto& run : reference_runs()) {
    SCOPED_TRACE(run.filename().string());
    if (!std::filesystem::exists(run / "in" / "param.soj")) continue;
    const inspect::GatherOutcome g = inspect::gather(run / "in");
    ASSERT_TRUE(g.gathered) << g.cannot;
    const inspect::TableView table = inspect::table_view(*g.gathered);
    const inspect::FitView fit = inspect::fit_view(*g.gathered, table, inspect::climate_view(*g.gathered));
    if (!fit.fitted || g.gathered->status != 0) continue;
    ++fits;
    const RunDetails& d = g.gathered->details;
    const std::string* lai_name = g.gathered->name(inspect::kLaiFile);
    ASSERT_NE(lai_name, nullptr);
    const std::string written = slurp(run / "out" / *lai_name);
    // Each parameter line of the LAI file is the inspector's value in the file's own layout.
    for (int k = 0; k < 5; ++k) {
      std::string rendered;
      OutputChannel out(10, "render", std::make_unique<StringSink>(rendered));
      out.write(Format(k == 2 || k == 4 ? "(i1,1x,f15.4)" : "(i1,1x,f9.4)"),
                {d.state.param.icod[static_cast<std::size_t>(k)], fit.used[static_cast<std::size_t>(k)]});
      out.flush();
      EXPECT_EQ(rendered, line_of(written, k + 2) + "\r\n") << "p" << k + 1;
    }
    // The fitted values at the points are the estimator's last ones.
    if (fit.estimator.exit == EstimatorExit::rejected) continue;
    ASSERT_EQ(fit.points.size(), d.fit.result.fitted.size());
    for (std::size_t i = 0; i < fit.points.size(); ++i) {
      EXPECT_EQ(std::bit_cast<std::uint32_t>(fit.points[i].fitted),
                std::bit_cast<std::uint32_t>(d.fit.result.fitted[i]))
          << "point " << i + 1;
    }
    for (std::size_t k = 0, packed = 0; k < 5; ++k) {
      if (!fit.estimated[k]) continue;
      EXPECT_EQ(std::bit_cast<std::uint32_t>(fit.used[k]),
                std::bit_cast<std::uint32_t>(d.fit.result.estimates[packed++]));
    }
  }
  EXPECT_GT(fits, 30u);
}

}  // namespace
}  // namespace laifit::testing
