// Whole runs that share their folder with another run, or start without a standard file: each must
// still leave the folder, the screen and standard error as a lone run does.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "platform/folder_path.hpp"
#include "support/run_folder.hpp"

namespace laifit::testing {
namespace {

namespace fs = std::filesystem;

const std::string kWaiting = "laifit: waiting for another run in this folder to end\n";

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void copy_example(const RunFolder& folder) {
  for (const auto& entry : fs::directory_iterator(LAIFIT_EXAMPLE_DIR)) {
    fs::copy_file(entry.path(), folder.dir() / entry.path().filename());
  }
}

// What a lone run of the example leaves, run twice so that its own earlier files are in the folder.
struct Reference {
  std::map<std::string, std::string> files;
  RunFolder::Result result;
};
const Reference& reference() {
  static const Reference r = [] {
    RunFolder folder;
    copy_example(folder);
    folder.run();
    Reference ref;
    ref.result = folder.run();
    ref.files = folder.files();
    return ref;
  }();
  return r;
}

TEST(FolderSharing, ARunWaitsForTheHolderOfTheFolderAndThenRunsNormally) {
  RunFolder folder;
  copy_example(folder);
  const auto inputs = folder.files();
  std::string why;
  std::optional<platform::Folder> holder = platform::open_folder(folder.dir(), why);
  ASSERT_TRUE(holder->is_open()) << why;
  if (holder->lock(false) != platform::Folder::Lock::held) GTEST_SKIP() << "this file system cannot lock a folder";

  const fs::path out = folder.dir().parent_path() / "out";
  const fs::path err = folder.dir().parent_path() / "err";
  int status = -1;
  std::thread run([&] { status = run_program(LAIFIT_BINARY, folder.dir(), out, err); });
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (slurp(err) != kWaiting && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(slurp(err), kWaiting);
  EXPECT_EQ(folder.files(), inputs) << "a waiting run touches no file";
  holder.reset();
  run.join();
  EXPECT_EQ(status, reference().result.status);
  EXPECT_EQ(slurp(out), reference().result.screen);
  EXPECT_EQ(slurp(err), kWaiting + reference().result.errors);
  EXPECT_EQ(folder.files(), reference().files);
}

// Without the lock one run could read the other's half-written working files and fit the wrong points.
TEST(FolderSharing, TwoRunsStartedTogetherBothGiveTheLoneRunsResult) {
  RunFolder folder;
  copy_example(folder);
  const fs::path root = folder.dir().parent_path();
#ifdef _WIN32
  constexpr int kPairs = 20;  // a process starts in tens of milliseconds there
#else
  constexpr int kPairs = 100;
#endif
  for (int pair = 0; pair < kPairs; ++pair) {
    SCOPED_TRACE("pair " + std::to_string(pair));
    int status[2] = {-1, -1};
    std::thread first([&] { status[0] = run_program(LAIFIT_BINARY, folder.dir(), root / "out0", root / "err0"); });
    status[1] = run_program(LAIFIT_BINARY, folder.dir(), root / "out1", root / "err1");
    first.join();
    int waited = 0;
    for (int k = 0; k < 2; ++k) {
      const std::string n = std::to_string(k);
      EXPECT_EQ(status[k], reference().result.status);
      EXPECT_EQ(slurp(root / ("out" + n)), reference().result.screen);
      std::string errors = slurp(root / ("err" + n));
      if (errors.rfind(kWaiting, 0) == 0) {
        errors.erase(0, kWaiting.size());
        ++waited;
      }
      EXPECT_EQ(errors, reference().result.errors);
    }
    EXPECT_LE(waited, 1) << "only the run that came second waits";
    ASSERT_EQ(folder.files(), reference().files);
  }
}

// A closed standard descriptor is opened on the null device: no file of the run takes its number.
TEST(FolderSharing, ARunStartedWithoutStandardFilesWritesOnlyItsOwnFiles) {
  const struct {
    const char* what;
    Closed closed;
  } cases[] = {
      {"input and output closed", {true, true, false}},
      {"output closed", {false, true, false}},
      {"all three closed", {true, true, true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RunFolder folder;
    copy_example(folder);
    folder.run();
    const fs::path root = folder.dir().parent_path();
    const int status = run_program(LAIFIT_BINARY, folder.dir(), root / "out", root / "err", {}, c.closed);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(slurp(root / "out"), "");
    if (!c.closed.err) {
      EXPECT_EQ(slurp(root / "err"), reference().result.errors);
    }
    EXPECT_EQ(folder.files(), reference().files);
  }
}

}  // namespace
}  // namespace laifit::testing
