#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inspect/inspect.hpp"

namespace laifit::inspect {
namespace {

TEST(Arguments, OptionsFolderAndMistakes) {
  struct Row {
    std::vector<std::string_view> args;
    const char* folder;
    const char* csv;
    const char* svg;
    bool quiet, help, version;
    const char* error;  // a part of the error, "" for none
  };
  const Row rows[] = {
      {{}, ".", "", "", false, false, false, ""},
      {{"run"}, "run", "", "", false, false, false, ""},
      {{"--csv", "t.csv", "--svg", "f.svg", "-q", "run"}, "run", "t.csv", "f.svg", true, false, false, ""},
      {{"--quiet", "--help"}, ".", "", "", true, true, false, ""},
      {{"--csv"}, ".", "", "", false, false, false, "--csv needs a file name"},
      {{"--plot", "x"}, ".", "", "", false, false, false, "unknown option --plot"},
      {{"--version", "run"}, "run", "", "", false, false, true, ""},
      {{"--svg", "f.svg", "a", "b"}, ".", "", "", false, false, false, "--csv and --svg take one folder"},
      // "--" ends the options; a name that looks like an option is refused as an option's file.
      {{"-q", "--", "--run"}, "--run", "", "", true, false, false, ""},
      {{"--", "-q"}, "-q", "", "", false, false, false, ""},
      {{"--svg", "--quiet"}, ".", "", "", false, false, false, "--svg needs a file name"},
      {{"--csv", "./--quiet", "run"}, "run", "./--quiet", "", false, false, false, ""},
  };
  for (const Row& r : rows) {
    const Arguments a = parse_arguments(r.args);
    SCOPED_TRACE(r.args.empty() ? "(none)" : std::string(r.args.front()));
    EXPECT_NE(a.error.find(r.error), std::string::npos) << a.error;
    if (*r.error != 0) continue;
    EXPECT_TRUE(a.error.empty());
    EXPECT_EQ(a.options.folder, r.folder);
    EXPECT_EQ(a.options.csv.value_or(""), r.csv);
    EXPECT_EQ(a.options.svg.value_or(""), r.svg);
    EXPECT_EQ(a.options.quiet, r.quiet);
    EXPECT_EQ(a.help, r.help);
    EXPECT_EQ(a.version, r.version);
  }
}

}  // namespace
}  // namespace laifit::inspect
