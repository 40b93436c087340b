// Whole runs in folders where a file the run writes is one of its inputs, by name, by a hard link or by
// a symbolic link: the run must refuse before it creates, empties or writes anything.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/run_folder.hpp"

namespace laifit::testing {
namespace {

namespace fs = std::filesystem;

std::string screen_lines(std::initializer_list<std::string> lines) {
  std::string s;
  for (const std::string& line : lines) s += line + "\r\n";
  return s;
}

std::string climate(int year) {
  std::string s;
  for (int day = 1; day <= 365; ++day) {
    s += "mons " + std::to_string(year) + " 1 1 " + std::to_string(day) + " 5.0 15.0 0.0 0.0 0.0\n";
  }
  return s;
}

std::string param(const std::string& climate1, const std::string& table, const std::string& lai, int years) {
  return climate1 + "\nclim.2012\n" + table + "\n" + lai + "\n15/04/2011\n" + std::to_string(years) +
         "\n4.0\n1 5.0\n1 0.01\n1 550.0\n0 0.006\n0 1800.0\n";
}

const std::string kTable = "ian;mo;jo;jul;lai(n)\n2011;4;15;105;0.05\n2011;5;15;135;1.0\n2011;6;15;166;3.0\n";

// Every entry of the folder (links included, as links) and every file's contents through them.
struct Snapshot {
  std::set<std::string> entries;
  std::map<std::string, std::string> files;
  friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

Snapshot snapshot(const RunFolder& folder) {
  Snapshot s;
  for (const auto& entry : fs::directory_iterator(folder.dir())) {
    s.entries.insert(entry.path().filename().string() + (entry.is_symlink() ? " -> link" : ""));
  }
  s.files = folder.files();
  return s;
}

struct Output {
  const char* name;
  const char* what;  // empty for the LAI file, whose refusal keeps its own wording
};
const Output kOutputs[] = {{"lai.txt", ""},
                           {"test.txt", "trace file"},
                           {"tempobs2.txt", "working file"},
                           {"tempobs.txt", "working file"},
                           {"adjust_lai.txt", "report file"}};

std::string refusal(const Output& out, const std::string& out_name, const std::string& input) {
  if (std::string(out.what).empty()) {
    return screen_lines({" error- param.soj: the interpolated LAI file " + out_name + " is the input file " + input +
                         "; give it another name"});
  }
  return screen_lines({" error- param.soj: the " + std::string(out.what) + " " + out_name + " is the input file " +
                       input + "; give the input another name"});
}

enum class Way { name, hard_link, link_to_input, input_is_link };
const char* way_name(Way way) {
  switch (way) {
    case Way::name: return "by name";
    case Way::hard_link: return "hard link";
    case Way::link_to_input: return "output a symbolic link to the input";
    case Way::input_is_link: return "input a symbolic link to the output";
  }
  return "?";
}

// A folder of a one- or two-year run whose output out is the input at position `input` (0 param.soj,
// 1 the observation table, 2 the first climate file, 3 the second). Returns the input's name as the
// refusal gives it, or "" when the pairing cannot be made this way here.
std::string make_pairing(const RunFolder& folder, int years, const Output& out, int input, Way way) {
  std::vector<std::string> names = {"param.soj", "obs.csv", "clim.2011", "clim.2012"};
  std::string lai = "lai.txt";
  if (way == Way::name) {
    // The input takes the output's name; param.soj's own name is fixed, so only the LAI file can take it.
    if (input == 0) {
      if (std::string(out.what).empty())
        lai = "param.soj";
      else
        return "";
    } else if (input == 3) {
      return "";  // the second climate file's name is fixed by these folders
    } else {
      names[static_cast<std::size_t>(input)] = out.name;
    }
  }
  const std::string p = param(names[2], names[1], lai, years);
  folder.write(names[0], p);
  folder.write(names[1], kTable);
  folder.write(names[2], climate(2011));
  folder.write(names[3], climate(2012));
  if (way == Way::name) return input == 0 ? "param.soj" : out.name;
  const fs::path in = folder.dir() / names[static_cast<std::size_t>(input)];
  const fs::path of = folder.dir() / out.name;
  std::error_code error;
  if (way == Way::hard_link) {
    fs::create_hard_link(in, of, error);
  } else if (way == Way::link_to_input) {
    fs::create_symlink(names[static_cast<std::size_t>(input)], of, error);
  } else {
    fs::rename(in, of);
    fs::create_symlink(out.name, in, error);
    if (error) fs::rename(of, in);
  }
  return error ? "" : names[static_cast<std::size_t>(input)];
}

TEST(OutputsOverInputs, EveryPairingIsRefusedAndLeavesTheFolderAsItWas) {
  int names_checked = 0;
  std::map<Way, int> links_made;
  for (const int years : {1, 2}) {
    for (const Output& out : kOutputs) {
      for (int input = 0; input < 2 + years; ++input) {
        for (const Way way : {Way::name, Way::hard_link, Way::link_to_input, Way::input_is_link}) {
          SCOPED_TRACE(std::to_string(years) + " year(s), " + out.name + " over input " + std::to_string(input) + ", " +
                       way_name(way));
          RunFolder folder;
          const std::string input_name = make_pairing(folder, years, out, input, way);
          if (input_name.empty()) continue;
          const Snapshot before = snapshot(folder);
          const auto result = folder.run();
          EXPECT_EQ(result.status, 2);
          EXPECT_EQ(result.errors, "");
          EXPECT_EQ(result.screen, refusal(out, way == Way::name ? input_name : out.name, input_name));
          EXPECT_EQ(snapshot(folder), before);
          if (way == Way::name)
            ++names_checked;
          else
            ++links_made[way];
        }
      }
    }
  }
  // Names: 5 outputs over 2 inputs each, plus the LAI file named param.soj, in each kind of folder.
  EXPECT_EQ(names_checked, 2 * (5 * 2 + 1));
  // Each kind of link, where the system makes them: 5 outputs over 3 + 4 inputs.
  for (const Way way : {Way::hard_link, Way::link_to_input, Way::input_is_link}) {
#ifdef _WIN32
    if (links_made[way] == 0) continue;
#endif
    EXPECT_EQ(links_made[way], 5 * (3 + 4)) << way_name(way);
  }
}

// Only the first pairing is told, outputs in their order and for each the inputs in theirs.
TEST(OutputsOverInputs, TellsTheFirstPairingAndCountsOnlyTheInputsTheRunReads) {
  {
    RunFolder folder;
    folder.write("param.soj", param("clim.2011", "tempobs.txt", "clim.2011", 1));
    folder.write("tempobs.txt", kTable);
    folder.write("clim.2011", climate(2011));
    const Snapshot before = snapshot(folder);
    const auto result = folder.run();
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.screen, refusal(kOutputs[0], "clim.2011", "clim.2011"));
    EXPECT_EQ(snapshot(folder), before);
  }
  {
    // A one-year run does not read the second climate file: a working file may be written over it.
    RunFolder folder;
    folder.write("param.soj", param("clim.2011", "obs.csv", "lai.txt", 1));
    folder.write("obs.csv", kTable);
    folder.write("clim.2011", climate(2011));
    folder.write("clim.2012", climate(2012));
    std::error_code error;
    fs::create_hard_link(folder.dir() / "clim.2012", folder.dir() / "tempobs.txt", error);
    if (error) fs::rename(folder.dir() / "clim.2012", folder.dir() / "tempobs.txt");
    const auto result = folder.run();
    EXPECT_EQ(result.status, 0) << result.screen;
    EXPECT_EQ(folder.read("obs.csv"), kTable);
    EXPECT_TRUE(folder.exists("lai.txt"));
  }
  {
    // An input that does not exist fails where it is opened, even when an output bears its name.
    RunFolder folder;
    folder.write("param.soj", param("clim.2011", "lai.txt", "lai.txt", 1));
    folder.write("clim.2011", climate(2011));
    const auto result = folder.run();
    EXPECT_EQ(result.status, 2);
    EXPECT_TRUE(glob_match(result.errors,
                           "*(unit = 14, file = 'lai.txt')\n"
                           "Error: Cannot open file 'lai.txt': No such file or directory\n"))
        << result.errors;
    EXPECT_FALSE(folder.exists("lai.txt"));
  }
}

// A run description that cannot be read completely still leaves its trace, unless the trace file is one
// of the inputs it has named so far; a parameter switch is refused only after the files are checked.
TEST(OutputsOverInputs, ChecksTheTraceFileAfterARunDescriptionThatCannotBeRead) {
  const struct {
    const char* what;
    std::string from;
    std::string to;
    const char* linked;  // test.txt is a hard link to this file
    bool refused;        // the trace file's refusal, else the read failure or the switch's refusal
  } cases[] = {
      {"bad date, trace over the table", "15/04/2011", "5/4/2011", "obs.csv", true},
      {"bad date, trace over the first climate file", "15/04/2011", "5/4/2011", "clim.2011", true},
      {"bad date, trace over the second climate file", "15/04/2011", "5/4/2011", "clim.2012", true},
      {"bad climate-year code, trace over the second climate file", "\n1\n4.0", "\nx\n4.0", "clim.2012", true},
      {"bad base after a code of 1, trace over the second climate file", "\n1\n4.0", "\n1\nx", "clim.2012", false},
      {"run description ending after its first line, trace over the table, not named yet",
       "\nclim.2012\nobs.csv\nlai.txt\n15/04/2011\n1\n4.0\n1 5.0\n1 0.01\n1 550.0\n0 0.006\n0 1800.0\n", "\n",
       "obs.csv", false},
      {"parameter switch of 2, trace over the table", "0 0.006", "2 0.006", "obs.csv", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RunFolder folder;
    const std::string p = substitute(param("clim.2011", "obs.csv", "lai.txt", 1), c.from, c.to);
    folder.write("param.soj", p);
    folder.write("obs.csv", kTable);
    folder.write("clim.2011", climate(2011));
    folder.write("clim.2012", climate(2012));
    std::error_code error;
    fs::create_hard_link(folder.dir() / c.linked, folder.dir() / "test.txt", error);
    if (error) continue;  // no hard links here
    const std::string linked_before = folder.read(c.linked);
    const Snapshot before = snapshot(folder);
    const auto result = folder.run();
    EXPECT_EQ(result.status, 2);
    if (c.refused) {
      EXPECT_EQ(result.screen, refusal(kOutputs[1], "test.txt", c.linked));
      EXPECT_EQ(result.errors, "");
      EXPECT_EQ(snapshot(folder), before);
    } else {
      // Not one of the inputs named so far: written as any trace, history.kvt created.
      EXPECT_TRUE(glob_match(result.errors, "At line * (unit = 13, file = 'param.soj')\nError: *\n")) << result.errors;
      EXPECT_NE(folder.read(c.linked), linked_before);
      EXPECT_TRUE(folder.exists("history.kvt"));
    }
  }
}

}  // namespace
}  // namespace laifit::testing
