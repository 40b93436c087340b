// laifit's peak resident memory on the largest reference run (its 14.4 MB screen going to a regular
// file, written in its largest blocks) and on an observation table of 100,000 rows: both stay within
// 3 MB, so that a buffer that grows with the output or the input is caught.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/scratch.hpp"

namespace laifit::testing {
namespace {

namespace fs = std::filesystem;

constexpr long kLimitKib = 3 * 1024;

// A scratch folder removed with its contents.
struct Scratch {
  fs::path dir = make_scratch_folder("laifit-peak");
  ~Scratch() { fs::remove_all(dir); }
};

// Runs laifit in folder through peak_memory, the screen into the regular file screen.out; its peak in KiB.
long peak_of_run(const fs::path& folder, int& status) {
  const fs::path result = folder / "peak.txt";
  const std::string command = "cd '" + folder.string() + "' && '" LAIFIT_PEAK_MEMORY "' '" + result.string() +
                              "' '" LAIFIT_BINARY "' > screen.out 2> error.out";
  const int raw = std::system(command.c_str());
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::ifstream in(result);
  long kib = -1;
  in >> kib;
  return kib;
}

TEST(PeakMemory, StaysWithinThreeMegabytesOnTheLargestRunAndOnALongTable) {
  Scratch big;
  for (const auto& entry : fs::directory_iterator(fs::path(LAIFIT_CASES_DIR) / "f21_big_fit_heavy" / "in")) {
    fs::copy_file(entry.path(), big.dir / entry.path().filename());
    fs::permissions(big.dir / entry.path().filename(), fs::perms::owner_read | fs::perms::owner_write);
  }
  int status = -1;
  const long big_kib = peak_of_run(big.dir, status);
  EXPECT_EQ(status, 0);
  EXPECT_GT(fs::file_size(big.dir / "screen.out"), 14'000'000u);
  EXPECT_GT(big_kib, 0);
  EXPECT_LE(big_kib, kLimitKib);

  Scratch long_table;
  std::ofstream(long_table.dir / "param.soj")
      << "clim.2011\nclim.2012\nobs.csv\nlai.txt\n15/04/2011\n1\n4.0\n1 5.0\n1 0.01\n1 550.0\n0 0.006\n1 1800.0\n";
  std::ofstream climate(long_table.dir / "clim.2011");
  for (int day = 1; day <= 200; ++day) climate << "mons 2011 1 1 " << day << " 5.0 15.0 0.0 0.0 0.0\n";
  climate.close();
  std::ofstream table(long_table.dir / "obs.csv");
  table << "ian;mo;jo;jul;lai(n)\n";
  for (int k = 0; k < 100'000; ++k) table << "2011;5;1;" << 106 + k % 94 << ";" << (k % 94) * 0.05 << "\n";
  table.close();
  const long long_kib = peak_of_run(long_table.dir, status);
  // Every row reaches the working files before the run refuses a series of more than 366 points.
  EXPECT_EQ(status, 2);
  EXPECT_GT(fs::file_size(long_table.dir / "tempobs2.txt"), 20'000'000u);
  EXPECT_GT(long_kib, 0);
  EXPECT_LE(long_kib, kLimitKib);
}

}  // namespace
}  // namespace laifit::testing
