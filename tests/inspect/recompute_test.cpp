// The inspector's numbers are laifit's own: a run given the hooks writes exactly what the reference runs
// recorded, and the estimates and fitted values that the inspector shows are the run's, bit for bit.

#include <gtest/gtest.h>

#include <bit>

#include "driver/run.hpp"
#include "platform/folder_path.hpp"
#include "driver/run_details.hpp"
#include "folders.hpp"
#include "inspect/fit.hpp"
#include "inspect/gather.hpp"
#include "inspect/table.hpp"
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
    const inspect::FitView fit = inspect::fit_view(*g.gathered, table);
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
