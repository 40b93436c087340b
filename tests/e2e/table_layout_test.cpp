// What the README and the walkthrough say of the observation table and of file names, checked on whole
// runs: each variant's working copy of the observations is compared byte for byte with that of a table
// written plainly.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/run_folder.hpp"

namespace laifit::testing {
namespace {

std::string layout_param(const std::string& table_name) {
  return "clim.2011\nclim.2012\n" + table_name +
         "\nlai.txt\n15/04/2011\n1\n4.0\n1 5.0\n1 0.01\n1 550.0\n0 0.006\n0 1800.0\n";
}

std::string layout_climate() {
  std::string s;
  for (int day = 1; day <= 200; ++day) s += "mons 2011 1 1 " + std::to_string(day) + " 5.0 15.0 0.0 0.0 0.0\n";
  return s;
}

struct TableRun {
  int status;
  std::string tempobs;
  std::string screen;
};

TableRun run_table(const std::string& table, const std::string& table_name = "obs.csv",
                   const std::string& param_name = "obs.csv") {
  RunFolder folder;
  folder.write("param.soj", layout_param(param_name));
  // The name is UTF-8, as laifit takes it, on Windows too (where a narrow path is in the ANSI code page).
  std::ofstream(folder.dir() / std::filesystem::path(std::u8string(table_name.begin(), table_name.end())),
                std::ios::binary)
      << table;
  folder.write("clim.2011", layout_climate());
  const auto result = folder.run();
  return {result.status, folder.read("tempobs.txt"), result.screen + result.errors};
}

const std::string kLayoutHeader = "ian;mo;jo;jul;dens;lai(n)\n";
const std::string kLayoutRows = "2011;4;15;105;250;0.05\n2011;4;30;120;250;0.40\n2011;5;20;140;250;1.50\n";

TEST(TableLayout, RowSeparatorsBlanksInCellsAndSlashes) {
  const TableRun plain = run_table(kLayoutHeader + kLayoutRows);
  ASSERT_EQ(plain.status, 0) << plain.screen;
  ASSERT_FALSE(plain.tempobs.empty());
  // A comma, a tab or a blank separates a row's values as a semicolon does.
  for (const std::string separator : {",", "\t", " ", " ; "}) {
    std::string rows = kLayoutRows;
    for (auto at = rows.find(';'); at != std::string::npos; at = rows.find(';', at + separator.size())) {
      rows.replace(at, 1, separator);
    }
    SCOPED_TRACE("separator '" + separator + "'");
    const TableRun o = run_table(kLayoutHeader + rows);
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.tempobs, plain.tempobs);
  }
  // A blank inside a cell splits it: the LAI column then takes the value before it.
  const TableRun split = run_table(kLayoutHeader + substitute(kLayoutRows, "120;250;0.40", "120;250 9;0.40"));
  EXPECT_EQ(split.tempobs, run_table(kLayoutHeader + substitute(kLayoutRows, "120;250;0.40", "120;250;9")).tempobs);
  // A slash ends the row's reading: the LAI keeps the previous row's value.
  const TableRun slash = run_table(kLayoutHeader + substitute(kLayoutRows, "120;250;0.40", "120;250/;0.40"));
  EXPECT_EQ(slash.tempobs, run_table(kLayoutHeader + substitute(kLayoutRows, "120;250;0.40", "120;250;0.05")).tempobs);
}

TEST(TableLayout, HeaderWordsAreSeparatedBySemicolonsOrBlanksOnly) {
  const TableRun plain = run_table(kLayoutHeader + kLayoutRows);
  EXPECT_EQ(run_table("ian mo jo;jul dens lai(n)\n" + kLayoutRows).tempobs, plain.tempobs);
  // Each semicolon or blank ends a word: two in a row make an empty column, and lai(n) moves one to the right.
  EXPECT_EQ(run_table("ian mo  jo;jul dens lai(n)\n" + kLayoutRows).tempobs,
            run_table("ian;mo;x;jo;jul;dens;lai(n)\n" + kLayoutRows).tempobs);
  for (const std::string header : {"ian,mo,jo,jul,dens,lai(n)\n", "ian\tmo\tjo\tjul\tdens\tlai(n)\n"}) {
    const TableRun o = run_table(header + kLayoutRows);
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.screen.find("no column named lai(n)"), std::string::npos) << o.screen;
  }
}

TEST(TableLayout, FileNamesHoldThirtyBytes) {
  std::string accented;  // fifteen e-acute: fifteen characters, thirty bytes
  for (int k = 0; k < 15; ++k) accented += "\xc3\xa9";
  const TableRun fits = run_table(kLayoutHeader + kLayoutRows, accented, "'" + accented + "'");
  EXPECT_EQ(fits.status, 0) << fits.screen;
  EXPECT_EQ(fits.tempobs, run_table(kLayoutHeader + kLayoutRows).tempobs);
  // Thirty characters, thirty-one bytes: cut to thirty bytes, the name is not found.
  const std::string longer = std::string(29, 'a') + "\xc3\xa9";
  const TableRun cut = run_table(kLayoutHeader + kLayoutRows, longer, "'" + longer + "'");
  EXPECT_EQ(cut.status, 2);
  EXPECT_NE(cut.screen.find("Cannot open file '" + longer.substr(0, 30) + "'"), std::string::npos) << cut.screen;
}

}  // namespace
}  // namespace laifit::testing
