#include "records/units.hpp"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "record_helpers.hpp"
#include "records/failure.hpp"
#include "records/list_input.hpp"

namespace laifit {
namespace {

using testing::ScratchDir;

// The RunFailure that `action` throws; fails the test when it throws none.
RunFailure failure_of(const std::function<void()>& action) {
  try {
    action();
  } catch (const RunFailure& failure) {
    return failure;
  }
  ADD_FAILURE() << "no RunFailure";
  return RunFailure(Where::current(), 0, "", "");
}

struct RunFolder {
  ScratchDir dir;
  std::string screen;
  Units units{dir.folder(), std::make_unique<StringSink>(screen)};
};

TEST(Units, MissingInputsAreRefusedWhileOutputsAreCreated) {
  RunFolder run;
  const RunFailure missing = failure_of([&] { run.units.open_input(20, "missing.txt"); });
  EXPECT_EQ(missing.cause(), "Cannot open file 'missing.txt': No such file or directory");
  EXPECT_EQ(missing.kind(), FailureKind::not_found);
  EXPECT_EQ(missing.unit(), 20);
  EXPECT_FALSE(run.dir.exists("missing.txt"));
  // An empty input that exists is read as one: its first read meets the end of the file.
  run.dir.write("empty.txt", "");
  std::int32_t v = 0;
  EXPECT_FALSE(read_list_or_end(run.units.open_input(20, "empty.txt"), {v}));
  run.units.open_untouched(21, "history.kvt");
  EXPECT_TRUE(run.dir.exists("history.kvt"));
  run.units.open_output(22, "test.txt");
  run.units.close(22);
  EXPECT_EQ(run.dir.read("test.txt"), "");
  run.units.close(21);
  EXPECT_EQ(run.dir.read("history.kvt"), "");
}

TEST(Units, AFileOpenedAndNeverWrittenKeepsItsContents) {
  RunFolder run;
  run.dir.write("adjust_lai.txt", "from an earlier run\r\n");
  run.dir.write("history.kvt", "history\n");
  run.units.open_output(8, "adjust_lai.txt");
  run.units.open_untouched(9, "history.kvt");
  run.units.flush_all();
  run.units.close(8);
  run.units.close(9);
  EXPECT_EQ(run.dir.read("adjust_lai.txt"), "from an earlier run\r\n");
  EXPECT_EQ(run.dir.read("history.kvt"), "history\n");
}

TEST(Units, TheFirstWriteReplacesTheWholeFile) {
  RunFolder run;
  run.dir.write("lai.txt", std::string(5000, 'x') + "\r\nold second line\r\n");
  OutputChannel& out = run.units.open_output(12, "lai.txt");
  out.write(Format("(i1,1x,f9.4)"), {1, 2.5f});
  out.write_list({"two"});
  run.units.close(12);
  EXPECT_EQ(run.dir.read("lai.txt"), "1    2.5000\r\n two\r\n");
}

TEST(Units, OutputReachesTheFileOnCloseAndOnFlushAll) {
  RunFolder run;
  OutputChannel& trace = run.units.open_output(15, "test.txt");
  trace.write_list({"jlevee ", 120});
  run.units.screen().write_list({"info- pour infos"});
  run.units.flush_all();
  EXPECT_EQ(run.dir.read("test.txt"), " jlevee          120\r\n");
  EXPECT_EQ(run.screen, " info- pour infos\r\n");
  run.units.screen().write_list({"more"});
  run.units.close(Units::kScreen);
  EXPECT_EQ(run.screen, " info- pour infos\r\n more\r\n");
  run.units.screen().write_list({"still usable"});
  run.units.flush_all();
  EXPECT_EQ(run.screen, " info- pour infos\r\n more\r\n still usable\r\n");
  EXPECT_EQ(&run.units.output(Units::kScreen), &run.units.screen());
}

// A held channel touches no file until its file is opened; the held records then come first, and a
// channel that held nothing leaves the file's contents as they were until its first record.
TEST(Units, AHeldChannelOpensItsFileOnlyWhenTold) {
  RunFolder run;
  OutputChannel& trace = run.units.hold_output(11, "test.txt");
  trace.write_list({"held"});
  run.units.flush_all();
  EXPECT_FALSE(run.dir.exists("test.txt"));
  run.units.open_held(11);
  trace.write_list({"after"});
  run.units.close(11);
  EXPECT_EQ(run.dir.read("test.txt"), " held\r\n after\r\n");

  run.dir.write("kept.txt", "earlier run\r\n");
  run.units.hold_output(12, "kept.txt");
  run.units.open_held(12);
  run.units.close(12);
  EXPECT_EQ(run.dir.read("kept.txt"), "earlier run\r\n");

  // Its file, once open, is connected like any other; before, nothing is.
  run.units.hold_output(13, "busy.txt");
  run.units.open_input(14, "kept.txt");
  run.dir.write("busy.txt", "x");
  EXPECT_NO_THROW(run.units.open_input(15, "busy.txt"));
  run.units.close(15);
  std::filesystem::create_hard_link(run.dir.path("kept.txt"), run.dir.path("link.txt"));
  run.units.hold_output(16, "link.txt");
  EXPECT_EQ(failure_of([&] { run.units.open_held(16); }).cause(), "File already opened in another unit");
  EXPECT_EQ(run.dir.read("kept.txt"), "earlier run\r\n");
}

// Opening a unit that is connected closes its file first, with what was written to it.
TEST(Units, ReopeningAUnitClosesItsPreviousFile) {
  RunFolder run;
  run.units.open_output(10, "a.txt").write_list({"a"});
  run.units.open_output(10, "b.txt").write_list({"b"});
  EXPECT_EQ(run.dir.read("a.txt"), " a\r\n");
  run.units.close(10);
  EXPECT_EQ(run.dir.read("b.txt"), " b\r\n");
}

TEST(Units, AFileIsOpenOnOneUnitOnly) {
  RunFolder run;
  run.dir.write("param.soj", "x\n");
  std::filesystem::create_hard_link(run.dir.path("param.soj"), run.dir.path("hard.soj"));
  std::vector<const char*> spellings = {"param.soj", "./param.soj", "hard.soj"};
  // Windows lets only privileged users make symbolic links.
  std::error_code no_symlink;
  std::filesystem::create_symlink("param.soj", run.dir.path("soft.soj"), no_symlink);
  if (!no_symlink) spellings.push_back("soft.soj");
  run.units.open_input(20, "param.soj");
  for (const char* other : spellings) {
    const int line = __LINE__ + 1;
    const RunFailure f = failure_of([&] { run.units.open_output(21, other); });
    EXPECT_EQ(f.cause(), "File already opened in another unit") << other;
    EXPECT_EQ(f.kind(), FailureKind::already_open) << other;
    EXPECT_EQ(f.place_line(),
              "At line " + std::to_string(line) + " of file " + __FILE__ + " (unit = 21, file = '" + other + "')");
  }
  EXPECT_EQ(run.dir.read("param.soj"), "x\n") << "a refused opening must not touch the file";
  // The same unit may open it again, and once closed it may go to another unit.
  EXPECT_NO_THROW(run.units.open_input(20, "param.soj"));
  run.units.close(20);
  EXPECT_NO_THROW(run.units.open_input(21, "hard.soj"));
  // Untouched files count too.
  run.units.open_untouched(30, "history.kvt");
  EXPECT_EQ(failure_of([&] { run.units.open_input(31, "history.kvt"); }).cause(),
            "File already opened in another unit");
}

// A file that cannot be opened ends the run, and the cause gives the system's reason.
TEST(Units, UnopenableFilesAreRunFailures) {
  RunFolder run;
  std::filesystem::create_directory(run.dir.path("folder"));
  const RunFailure as_input = failure_of([&] { run.units.open_input(20, "folder"); });
  EXPECT_NE(as_input.cause().find("Is a directory"), std::string::npos) << as_input.cause();
  EXPECT_EQ(as_input.kind(), FailureKind::is_folder);
  EXPECT_EQ(as_input.unit(), 20);
  EXPECT_EQ(as_input.file(), "folder");
  const RunFailure as_output = failure_of([&] { run.units.open_output(21, "folder"); });
  EXPECT_NE(as_output.cause().find("Is a directory"), std::string::npos) << as_output.cause();
  const RunFailure no_parent = failure_of([&] { run.units.open_input(22, "nowhere/x.txt"); });
  EXPECT_NE(no_parent.cause().find("No such file or directory"), std::string::npos) << no_parent.cause();
  EXPECT_EQ(no_parent.kind(), FailureKind::not_found);
  EXPECT_FALSE(run.dir.exists("nowhere"));
  // Devices are no run files either.
#ifdef _WIN32
  const char* null_device = "NUL";
#else
  const char* null_device = "/dev/null";
#endif
  const RunFailure device = failure_of([&] { run.units.open_output(23, null_device); });
  EXPECT_EQ(device.cause(), std::string("Cannot open file '") + null_device + "': not a regular file");
  EXPECT_EQ(device.kind(), FailureKind::not_regular);
}

// A write the system refuses ends the run; the other channels are still flushed. Run in a child
// process whose file size limit makes the refusal happen.
TEST(Units, RefusedWritesAreRunFailures) {
#ifdef _WIN32
  GTEST_SKIP() << "needs fork and a file size limit (setrlimit), which Windows does not have";
#else
  ScratchDir dir;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::string screen;
    Units units(dir.folder(), std::make_unique<StringSink>(screen));
    int status = 0;
    const std::string line(100, 'x');
    auto fill = [&](OutputChannel& out) {
      for (int k = 0; k < 100; ++k) out.write_list({line});
    };
    try {
      fill(units.open_output(13, "big.txt"));
      units.close(13);
      status |= 1;  // success reported for a lost write
    } catch (const RunFailure& f) {
      if (f.unit() != 13 || f.cause().find("File too large") == std::string::npos) status |= 2;
    }
    fill(units.open_output(14, "big2.txt"));
    units.open_output(15, "small.txt").write_list({"kept"});
    units.screen().write_list({"shown"});
    try {
      units.flush_all();
      status |= 4;
    } catch (const RunFailure& f) {
      if (f.unit() != 14) status |= 8;
    }
    if (dir.read("small.txt") != " kept\r\n" || screen != " shown\r\n") status |= 16;
    ::_exit(status);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: no failure on close, 2: wrong failure, 4: no failure on flush_all, "
                                       "8: wrong unit, 16: other channels not flushed";
#endif
}

TEST(Units, InputChannelsStepBack) {
  RunFolder run;
  run.dir.write("tempobs.txt", "2011 4 5 0.5\r\n2011 4 20 1.25\r\n");
  InputChannel& in = run.units.open_input(16, "tempobs.txt");
  std::int32_t date[3] = {};
  float lai = 0.0f;
  read_list(in, {std::span<std::int32_t>(date)});
  EXPECT_EQ(date[2], 5);
  in.step_back();
  read_list(in, {std::span<std::int32_t>(date), lai});
  EXPECT_EQ(date[2], 5);
  EXPECT_EQ(lai, 0.5f);
  read_list(in, {std::span<std::int32_t>(date), lai});
  EXPECT_EQ(date[2], 20);
  EXPECT_EQ(lai, 1.25f);
  EXPECT_FALSE(read_list_or_end(in, {lai}));
  EXPECT_EQ(&run.units.input(16), &in);
}

TEST(Units, IdentityOfFiles) {
  RunFolder run;
  EXPECT_FALSE(run.units.identity("absent.txt").has_value());
  run.dir.write("a.txt", "");
  std::filesystem::create_hard_link(run.dir.path("a.txt"), run.dir.path("b.txt"));
  run.dir.write("c.txt", "");
  ASSERT_TRUE(run.units.identity("a.txt").has_value());
  EXPECT_EQ(run.units.identity("a.txt"), run.units.identity("b.txt"));
  EXPECT_NE(run.units.identity("a.txt"), run.units.identity("c.txt"));
}

}  // namespace
}  // namespace laifit
