// laifit asked for its usage or its version: the answer on standard output, and the run folder left byte
// for byte as it was. Any other arguments are ignored and the run goes on.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_folder.hpp"

namespace laifit::testing {
namespace {

std::string example_file(const char* name) {
  std::ifstream in(std::filesystem::path(LAIFIT_EXAMPLE_DIR) / name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The example season with stale outputs from an earlier run and no history file: a run would rewrite
// the outputs and create the history file.
void write_stale_run(const RunFolder& folder) {
  for (const char* name : {"param.soj", "obs2011.csv", "beauce.2011"}) {
    folder.write(name, example_file(name));
  }
  for (const char* name : {"lai_interp.txt", "adjust_lai.txt", "test.txt", "tempobs.txt", "tempobs2.txt"}) {
    folder.write(name, std::string("stale ") + name + "\r\n");
  }
}

TEST(Usage, HelpAndVersionAloneAnswerAndLeaveTheFolderAsItWas) {
  struct Row {
    std::vector<std::string> args;
    std::string first_line;
  };
  const Row rows[] = {
      {{"--help"}, "usage: laifit [--help | --version]\r\n"},
      {{"--version"}, "laifit " LAIFIT_VERSION "\r\n"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.args.front());
    RunFolder folder;
    write_stale_run(folder);
    const auto before = folder.files();
    const auto result = folder.run("", r.args);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.errors, "");
    EXPECT_EQ(result.screen.substr(0, r.first_line.size()), r.first_line);
    // Every line ends CR LF, as every screen record does.
    std::size_t line_feeds = 0, records = 0;
    for (std::size_t p = 0; p < result.screen.size(); ++p) {
      if (result.screen[p] != '\n') continue;
      ++line_feeds;
      if (p > 0 && result.screen[p - 1] == '\r') ++records;
    }
    EXPECT_GT(records, 0u);
    EXPECT_EQ(records, line_feeds);
    EXPECT_EQ(folder.files(), before);
    EXPECT_FALSE(folder.exists("history.kvt"));
  }
}

TEST(Usage, OtherArgumentsAreIgnoredAndTheRunGoesOn) {
  const std::vector<std::vector<std::string>> argument_lists = {{"--help", "extra"}, {"extra", "--version"}, {"-h"},
                                                                {"--HELP"},          {"--verbose"},          {""}};
  RunFolder plain;
  write_stale_run(plain);
  const auto expected = plain.run();
  ASSERT_EQ(expected.status, 0);
  for (const auto& args : argument_lists) {
    SCOPED_TRACE(args.front());
    RunFolder folder;
    write_stale_run(folder);
    const auto result = folder.run("", args);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.screen, expected.screen);
    EXPECT_EQ(folder.files(), plain.files());
  }
}

}  // namespace
}  // namespace laifit::testing
