// Whole runs of the laifit binary, checked on what the run driver itself writes: the trace file up to
// the hand-over to the fitting procedure, the two working files, the history file, the screen and the
// exit status. Expected texts are written out by hand from the record layouts.

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <set>
#include <string>

#include "support/run_folder.hpp"

namespace laifit::testing {
namespace {

std::string records(std::initializer_list<std::string> lines) {
  std::string s;
  for (const std::string& line : lines) s += line + "\r\n";
  return s;
}

// A record of "tempobs2.txt": the table line, semicolons turned into blanks, blank-filled to 200.
std::string line200(const std::string& text) { return text + std::string(200 - text.size(), ' ') + "\r\n"; }

const std::string kParam =
    "clim.2011\nclim.2012\nobs.csv\nlai.txt\n15/04/2011\n1\n4.0\n1 5.0\n1 0.01\n1 550.0\n0 0.006\n1 1800.0\n";

const std::string kTracePrefix = records({
    " clim.2011                     ",
    " clim.2012                     ",
    "  obs.csv                       ",
    "  lai.txt                       ",
    " parameters           1   5.00000000    ",
    " parameters           1   9.99999978E-03",
    " parameters           1   550.000000    ",
    " parameters           0   6.00000005E-03",
    " parameters           1   1800.00000    ",
});

const std::string kInfo = records({" info- pour infos sur l'ajustement regardez le fichier adjust_lai.txt"});

// 200 days of 2011 at 5 to 15 degrees: 6 degree-days a day above the base of 4.
std::string climate_2011() {
  std::string s;
  for (int day = 1; day <= 200; ++day) s += "mons 2011 1 1 " + std::to_string(day) + " 5.0 15.0 0.0 0.0 0.0\n";
  return s;
}

void write_inputs(const RunFolder& folder, const std::string& table, const std::string& param = kParam) {
  folder.write("param.soj", param);
  folder.write("obs.csv", table);
  folder.write("clim.2011", climate_2011());
}

// The trace up to the hand-over to the fitting procedure.
std::string driver_trace(const RunFolder& folder) {
  const std::string trace = folder.read("test.txt");
  const std::string end = " call of laibym\r\n";
  const auto at = trace.find(end);
  return at == std::string::npos ? trace : trace.substr(0, at + end.size());
}

TEST(DriverRuns, TracesTheRunDescriptionAndAnObservedEmergence) {
  RunFolder folder;
  const std::string table = "ian;mo;jo;jul;lai(n)\n2011;4;10;100;-999.99\n2011;4;15;105;0.05\n2011;4;16;106;0.07\n";
  write_inputs(folder, table);
  const auto result = folder.run();
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.errors, "");
  EXPECT_EQ(result.screen, kInfo);
  // The observations follow each other from emergence: no fit, nothing in the report, no LAI file.
  const std::map<std::string, std::string> expected{
      {"param.soj", kParam},
      {"obs.csv", table},
      {"clim.2011", climate_2011()},
      {"history.kvt", ""},
      {"adjust_lai.txt", ""},
      {"test.txt", kTracePrefix + records({
                                      " pas   1.00000000            2011         365        2011",
                                      " jlevee          105",
                                      " levee obs            1         105         105",
                                      " i           1         105   5.00000007E-02",
                                      " i           2         106   7.00000003E-02",
                                      " nobs           2",
                                      " call of laibym",
                                      " dans laibym avant test consec",
                                  })},
      {"tempobs2.txt", line200("ian mo jo jul lai(n)") + line200("2011 4 10 100 -999.99") +
                           line200("2011 4 15 105 0.05") + line200("2011 4 16 106 0.07")},
      {"tempobs.txt", records({
                          "        2011           4          10         100  -999.989990    ",
                          "        2011           4          15         105   5.00000007E-02",
                          "        2011           4          16         106   7.00000003E-02",
                      })},
  };
  EXPECT_EQ(folder.files(), expected);
}

TEST(DriverRuns, ForcesTheEmergencePointWhenNoRowIsOnTheEmergenceDay) {
  RunFolder folder;
  write_inputs(folder, "ian;mo;jo;jul;lai(n)\n2011;4;10;100;-999.99\n2011;4;16;106;0.07\n2011;4;17;107;0.1\n");
  const auto result = folder.run();
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(folder.read("test.txt"), kTracePrefix + records({
                                                        " pas   1.00000000            2011         365        2011",
                                                        " jlevee          105",
                                                        " emergence forced           1         106         105",
                                                        " i           2         106   7.00000003E-02",
                                                        " i           3         107  0.100000001    ",
                                                        " nobs           3",
                                                        " call of laibym",
                                                        " dans laibym avant test consec",
                                                    }));
  EXPECT_FALSE(folder.exists("lai.txt"));
}

TEST(DriverRuns, PlacesTheObservationsOfTheSeries) {
  const std::string leap_param = substitute(kParam, "15/04/2011", "10/12/2012");
  const struct {
    const char* what;
    std::string param;
    std::string table;
    std::string trace;
  } cases[] = {
      {"an emergence row with a missing value is not stored; the next valid row takes slot 1", kParam,
       "ian;mo;jo;jul;lai(n)\n2011;4;15;105;-999.99\n2011;4;16;106;0.1\n2011;4;20;110;0.2\n",
       records({" pas   1.00000000            2011         365        2011", " jlevee          105",
                " levee obs            1         105         105", " i           1         106  0.100000001    ",
                " i           2         110  0.200000003    ", " nobs           2", " call of laibym"})},
      {"a valid row before emergence stops the skip and follows the forced point", kParam,
       "ian;mo;jo;jul;lai(n)\n2011;4;1;91;-999.99\n2011;4;8;98;0.0\n2011;4;20;110;0.1\n",
       records({" pas   1.00000000            2011         365        2011", " jlevee          105",
                " emergence forced           1          98         105", " i           2          98   0.00000000    ",
                " i           3         110  0.100000001    ", " nobs           3", " call of laibym"})},
      {"a row of the year after the sowing year continues the day count", kParam,
       "ian;mo;jo;jul;lai(n)\n2010;12;1;335;-999.99\n2011;4;15;105;0.05\n2011;4;25;115;0.07\n",
       records({" pas   1.00000000            2010         365        2011", " jlevee          470",
                " levee obs            1         470         470", " i           1         470   5.00000007E-02",
                " i           2         480   7.00000003E-02", " nobs           2", " call of laibym"})},
      {"a row whose value reads as not a number after emergence is skipped like a missing one", kParam,
       "ian;mo;jo;jul;lai(n)\n2011;4;15;105;0.05\n2011;4;20;110;NaN\n2011;4;25;115;0.07\n",
       records({" pas   1.00000000            2011         365        2011", " jlevee          105",
                " levee obs            1         105         105", " i           1         105   5.00000007E-02",
                " i           2         115   7.00000003E-02", " nobs           2", " call of laibym"})},
      // Emergence on 10 December 2012 (day 345); 10 January 2013 is day 366 + 10.
      {"a leap sowing year has 366 days", leap_param, "ian;mo;jo;jul;lai(n)\n2012;12;31;366;0.02\n2013;1;10;10;0.08\n",
       records({" pas   1.00000000            2012         366        2012", " jlevee          345",
                " emergence forced           1         366         345", " i           2         366   1.99999996E-02",
                " i           3         376   7.99999982E-02", " nobs           3", " call of laibym"})},
  };
  for (const auto& c : cases) {
    RunFolder folder;
    write_inputs(folder, c.table, c.param);
    const auto result = folder.run();
    EXPECT_EQ(result.status, 0) << c.what;
    EXPECT_EQ(driver_trace(folder), kTracePrefix + c.trace) << c.what;
    EXPECT_EQ(result.screen.substr(0, kInfo.size()), kInfo) << c.what;
  }
}

TEST(DriverRuns, RefusesAnEmergenceYearOutsideTheSowingYearAndTheNext) {
  RunFolder folder;
  write_inputs(folder, "ian;mo;jo;jul;lai(n)\n2013;4;15;105;0.05\n2013;4;25;115;0.07\n");
  const auto result = folder.run();
  // Kept as the tool chain expects: the message on the screen and exit status 0.
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.screen,
            records({" error- You need to add an observation during the first year of the simulation\" or declare the "
                     "emergence day during the second day of the simulation and uncheck '2 climate years crop'"}));
  EXPECT_EQ(result.screen.size(), 1 + 182 + 2);
  EXPECT_EQ(folder.read("test.txt"),
            kTracePrefix + records({" pas   1.00000000            2013         365        2011"}));
  EXPECT_FALSE(folder.exists("adjust_lai.txt"));
}

TEST(DriverRuns, MakesNoFitWithoutUsableObservations) {
  const struct {
    const char* what;
    std::string table;
    std::string trace;
  } cases[] = {
      {"header only", "ian;mo;jo;jul;lai(n)\n", records({" nobs           0", " call of laibym"})},
      {"missing values only", "ian;mo;jo;jul;lai(n)\n2011;4;1;91;-999.99\n2011;5;1;121;-999.99\n",
       records({" pas   1.00000000            2011         365        2011", " jlevee          105",
                " emergence forced           1         121         105", " nobs           1", " call of laibym"})},
      {"missing values before emergence only", "ian;mo;jo;jul;lai(n)\n2011;4;1;91;-999.99\n",
       records({" pas   1.00000000            2011         365        2011", " jlevee          105",
                " nobs           0", " call of laibym"})},
  };
  for (const auto& c : cases) {
    RunFolder folder;
    write_inputs(folder, c.table);
    folder.write("tempobs.txt", "rows of an earlier run\r\n");
    const auto result = folder.run();
    EXPECT_EQ(result.status, 0) << c.what;
    EXPECT_EQ(result.screen, kInfo) << c.what;
    EXPECT_EQ(folder.read("test.txt"), kTracePrefix + c.trace + records({" dans laibym avant test consec"})) << c.what;
    EXPECT_EQ(folder.read("adjust_lai.txt"), "") << c.what;
    EXPECT_FALSE(folder.exists("lai.txt")) << c.what;
    if (c.table.find("2011") == std::string::npos) {
      EXPECT_EQ(folder.read("tempobs.txt"), "") << c.what;
    }
  }
}

TEST(DriverRuns, ReadsTheRunDescriptionRecordByRecord) {
  const std::string table = "ian;mo;jo;jul;lai(n)\n2011;4;5;95;0.05\n2011;4;6;96;0.07\n";
  {
    // A blank record is passed over by the free-format read of the next name.
    RunFolder folder;
    // Blanks in a numeric field are ignored.
    const std::string param = substitute(substitute(kParam, "obs.csv", "\nobs.csv"), "15/04/2011", " 5/ 4/2011");
    write_inputs(folder, table, param);
    const auto result = folder.run();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(
        driver_trace(folder),
        kTracePrefix +
            records({" pas   1.00000000            2011         365        2011", " jlevee           95",
                     " levee obs            1          95          95", " i           1          95   5.00000007E-02",
                     " i           2          96   7.00000003E-02", " nobs           2", " call of laibym"}));
  }
  {
    // 5/4/2011 does not fit the fixed date fields: the run ends with the diagnostic.
    RunFolder folder;
    const std::string param = substitute(kParam, "15/04/2011", "5/4/2011");
    write_inputs(folder, table, param);
    const auto result = folder.run();
    EXPECT_EQ(result.status, 2);
    EXPECT_TRUE(glob_match(result.errors,
                           "At line * of file *ajust.cpp (unit = *, file = 'param.soj')\n"
                           "Error: Bad value during integer read\n"))
        << result.errors;
    EXPECT_EQ(result.screen, "");
    EXPECT_EQ(folder.read("test.txt"), kTracePrefix.substr(0, kTracePrefix.find(" parameters")));
    EXPECT_EQ(folder.read("param.soj"), param);
  }
  {
    // No run description at all: refused before anything is created.
    RunFolder folder;
    const auto result = folder.run();
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.errors.find("(unit = 13, file = 'param.soj')\n"
                                 "Error: Cannot open file 'param.soj': No such file or directory\n"),
              std::string::npos)
        << result.errors;
    EXPECT_TRUE(folder.files().empty());
  }
}

TEST(DriverRuns, TakesTheColumnNamedLaiFromTheHeader) {
  const struct {
    const char* what;
    std::string table;
    std::string row;
  } cases[] = {
      // The empty fifth column counts in the header, but two adjacent separators are one in the rows.
      {"empty column", "ian;mo;jo;jul;;lai(n);masec(n)\n2011;4;15;105;;0.05;0.9\n",
       "        2011           4          15         105  0.899999976    "},
      {"blank-separated header", "ian mo jo jul densite lai(n)\n2011;4;15;105;250;0.05\n",
       "        2011           4          15         105   5.00000007E-02"},
      {"more than twenty words before lai(n)",
       "a;b;c;d;e;f;g;h;i;j;k;l;m;n;o;p;q;r;s;t;u;v;lai(n)\n2011;4;15;105;1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;17;18;"
       "0.05\n",
       "        2011           4          15         105   5.00000007E-02"},
  };
  for (const auto& c : cases) {
    RunFolder folder;
    write_inputs(folder, c.table);
    const auto result = folder.run();
    EXPECT_EQ(result.status, 0) << c.what;
    EXPECT_EQ(folder.read("tempobs.txt"), records({c.row})) << c.what;
  }
}

TEST(DriverRuns, RefusesInputItCannotHandleWithoutTouchingTheInputs) {
  std::string many_rows = "ian;mo;jo;jul;lai(n)\n";
  for (int day = 105; day <= 105 + 366; ++day) many_rows += "2011;1;1;" + std::to_string(day) + ";0.5\n";
  const std::string switch_two = substitute(kParam, "0 0.006", "2 0.006");
  const struct {
    const char* what;
    std::string table;
    std::string param;
    std::string screen;
  } cases[] = {
      {"no lai(n) column", "ian;mo;jo;jul;LAI(n)\n2011;4;15;105;0.05\n", kParam,
       " error- obs.csv: no column named lai(n) among the first 100 characters of the header line"},
      {"lai(n) among the date columns", "lai(n);mo;jo;jul;x\n2011;4;15;105;0.05\n", kParam,
       " error- obs.csv: the column lai(n) is column 1, but the first four columns hold the date"},
      {"a 367th observation point", many_rows, kParam,
       " info- pour infos sur l'ajustement regardez le fichier adjust_lai.txt"},
      {"a parameter switch of 2", "ian;mo;jo;jul;lai(n)\n2011;4;15;105;0.05\n", switch_two,
       " error- param.soj: the switch of parameter 4 is 2; it must be 1 (estimated) or 0 (held)"},
  };
  for (const auto& c : cases) {
    RunFolder folder;
    write_inputs(folder, c.table, c.param);
    const auto result = folder.run();
    EXPECT_EQ(result.status, 2) << c.what;
    EXPECT_EQ(result.errors, "") << c.what;  // a refusal writes no floating-point note
    if (c.table == many_rows) {
      EXPECT_EQ(result.screen, records({" error- obs.csv: more than 366 observation points; the series holds 366"}))
          << c.what;
      EXPECT_NE(folder.read("test.txt").find(" i         366         470  0.500000000    \r\n"), std::string::npos);
    } else {
      EXPECT_EQ(result.screen, records({c.screen})) << c.what;
    }
    EXPECT_EQ(folder.read("param.soj"), c.param) << c.what;
    EXPECT_EQ(folder.read("obs.csv"), c.table) << c.what;
    EXPECT_FALSE(folder.exists("lai.txt")) << c.what;
  }
}

TEST(DriverRuns, RefusesAMissingInputFileAndCreatesNothingOfItsName) {
  const std::string table = "ian;mo;jo;jul;lai(n)\n2011;4;15;105;0.05\n2011;5;1;121;0.4\n";
  const std::string two_years = substitute(kParam, "15/04/2011\n1\n", "15/04/2011\n2\n");
  const struct {
    const char* what;
    std::string param;
    const char* missing;  // the input file that is absent
    std::set<std::string> created;
    bool info_line;
  } cases[] = {
      {"run description", kParam, "param.soj", {}, false},
      {"observation table", kParam, "obs.csv", {"test.txt", "history.kvt"}, false},
      {"climate file", kParam, "clim.2011", {"test.txt", "history.kvt", "tempobs2.txt", "tempobs.txt"}, true},
      {"second climate file of a two-year crop",
       two_years,
       "clim.2012",
       {"test.txt", "history.kvt", "tempobs2.txt", "tempobs.txt"},
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RunFolder folder;
    write_inputs(folder, table, c.param);
    folder.write("clim.2012", climate_2011());
    std::filesystem::remove(folder.dir() / c.missing);
    const auto before = folder.files();
    const auto result = folder.run();
    EXPECT_EQ(result.status, 2);
    EXPECT_TRUE(glob_match(result.errors, "At line * of file * (unit = *, file = '" + std::string(c.missing) +
                                              "')\nError: Cannot open file '" + c.missing +
                                              "': No such file or directory\n"))
        << result.errors;
    EXPECT_EQ(result.screen, c.info_line ? kInfo : "");
    // The folder holds what it held, plus exactly the files the run had created before the refusal.
    std::set<std::string> added;
    for (const auto& [name, content] : folder.files()) {
      if (!before.count(name)) {
        added.insert(name);
      } else {
        EXPECT_EQ(content, before.at(name)) << name;
      }
    }
    EXPECT_EQ(added, c.created);
    EXPECT_EQ(folder.files().size(), before.size() + c.created.size());
  }
  {
    // A folder named param.soj is refused before anything is created, too.
    RunFolder folder;
    std::filesystem::create_directory(folder.dir() / "param.soj");
    const auto result = folder.run();
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.errors.find("Error: Cannot open file 'param.soj': Is a directory\n"), std::string::npos)
        << result.errors;
    EXPECT_TRUE(folder.files().empty());
  }
}

}  // namespace
}  // namespace laifit::testing
