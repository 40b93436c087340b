// The fitting procedure through whole runs in process: the climate reading, the observation series it
// builds, the daily series of the interpolated LAI file and its endings, and the days it refuses.
// Most runs hold all five parameters, so that the series is the curve of the values read.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/run_folder.hpp"

namespace laifit::testing {
namespace {

struct Day {
  int jour;
  double tn;
  double tx;
};

// Climate records of one year: station, year, month, day, day of the year, tn, tx, rg, etp, rr.
std::string climate(int year, const std::vector<Day>& days) {
  std::ostringstream s;
  for (const Day& d : days) s << "mons " << year << " 1 1 " << d.jour << ' ' << d.tn << ' ' << d.tx << " 0 0 0\n";
  return s.str();
}
// Days first..last at 5 and 15 degrees: 6 degree-days a day above a base of 4.
std::vector<Day> mild(int first, int last) {
  std::vector<Day> days;
  for (int d = first; d <= last; ++d) days.push_back({d, 5.0, 15.0});
  return days;
}

std::string param(const std::string& date, int icodclim,
                  const std::string& parameters = "0 5.0\n0 0.05\n0 60.0\n0 0.05\n0 150.0\n") {
  return "clim.1\nclim.2\nobs.csv\nlai.txt\n" + date + "\n" + std::to_string(icodclim) + "\n4.0\n" + parameters;
}

std::vector<std::string> words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> w;
  for (std::string s; in >> s;) w.push_back(s);
  return w;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line);
  }
  return out;
}

// The trace lines written by the fitting procedure between "jlev" and the estimator call.
std::vector<std::vector<std::string>> series_trace(const RunFolder& folder) {
  std::vector<std::vector<std::string>> out;
  bool inside = false;
  for (const std::string& line : lines(folder.read("test.txt"))) {
    const auto w = words(line);
    if (!w.empty() && w[0] == "jlev") inside = true;
    if (!w.empty() && w[0] == "avant") break;
    if (inside) out.push_back(w);
  }
  return out;
}

// The thermal time traced for each observation point, in order.
std::vector<double> stemp(const RunFolder& folder) {
  std::vector<double> t;
  for (const auto& w : series_trace(folder)) {
    if (w.size() == 3 && w[0] != "jlev" && w[0] != "fin") t.push_back(std::stod(w[1]));
  }
  return t;
}

std::vector<std::string> climate_ends(const RunFolder& folder) {
  std::vector<std::string> ends;
  for (const auto& w : series_trace(folder)) {
    if (w.size() == 5 && w[0] == "fin") ends.push_back(w[4]);
  }
  return ends;
}

TEST(ThermalTime, AccumulatesTheMeanAboveBaseFromTheEmergenceDay) {
  RunFolder folder;
  auto days = mild(1, 200);
  days[111] = {112, 4.0, 4.0};  // a mean equal to the base adds nothing
  days[112] = {113, 0.0, 2.0};  // nor does a mean below it
  folder.write("param.soj", param("15/04/2011", 1));
  folder.write("clim.1", climate(2011, days));
  folder.write("obs.csv", "ian;mo;jo;jul;lai(n)\n2011;4;20;110;0.1\n2011;4;30;120;0.5\n");
  const auto result = folder.run_in_process();
  EXPECT_EQ(result.status, 0);
  // The record of day 104 ends the skip: day 105 is the first one counted.
  EXPECT_EQ(stemp(folder), (std::vector<double>{6.0, 36.0, 84.0}));
  EXPECT_EQ(climate_ends(folder), (std::vector<std::string>{"11"}));
}

TEST(ThermalTime, ContinuesTheDayCountInTheSecondClimateFile) {
  RunFolder folder;
  folder.write("param.soj", param("20/12/2011", 2));
  folder.write("clim.1", climate(2011, mild(340, 365)));
  folder.write("clim.2", climate(2012, mild(1, 40)));
  folder.write("obs.csv", "ian;mo;jo;jul;lai(n)\n2011;12;26;360;0.1\n2012;1;10;10;0.3\n");
  const auto result = folder.run_in_process();
  EXPECT_EQ(result.status, 0);
  // Emergence day 354; day 10 of 2012 is day 375 of the run.
  EXPECT_EQ(stemp(folder), (std::vector<double>{6.0, 42.0, 132.0}));
  EXPECT_EQ(climate_ends(folder), (std::vector<std::string>{"11", "12"}));
}

TEST(ThermalTime, HandlesTheUnusualClimateFiles) {
  const struct {
    const char* what;
    std::string date;
    int icodclim;
    std::string clim1;
    std::string clim2;
    std::string table;
    std::vector<double> stemp;
  } cases[] = {
      // An empty first file leaves the offset at 0: the second file's days index the table directly.
      {"empty first file",
       "05/01/2011",
       2,
       "",
       climate(2012, mild(1, 40)),
       "ian;mo;jo;jul;lai(n)\n2011;1;10;10;0.3\n",
       {30.0, 60.0}},
      // Emergence on day 1: the file's first record already ends the skip and is not counted.
      {"first record ends the skip",
       "01/01/2011",
       1,
       climate(2011, mild(1, 40)),
       "",
       "ian;mo;jo;jul;lai(n)\n2011;1;5;5;0.3\n",
       {0.0, 24.0}},
      // A day number that goes back overwrites its entry with the running total.
      {"repeated day",
       "15/04/2011",
       1,
       climate(2011, mild(100, 110)) + climate(2011, {{108, 5.0, 15.0}}),
       "",
       "ian;mo;jo;jul;lai(n)\n2011;4;18;108;0.3\n2011;4;20;110;0.5\n",
       {6.0, 42.0, 36.0}},
      // Days without a climate record (a gap, or after the file's end) have thermal time 0.
      {"gap",
       "15/04/2011",
       1,
       climate(2011, mild(100, 110)) + climate(2011, mild(120, 130)),
       "",
       "ian;mo;jo;jul;lai(n)\n2011;4;25;115;0.3\n2011;5;5;125;0.5\n2011;6;1;152;0.5\n",
       {6.0, 0.0, 72.0, 0.0}},
  };
  for (const auto& c : cases) {
    RunFolder folder;
    folder.write("param.soj", param(c.date, c.icodclim));
    folder.write("clim.1", c.clim1);
    if (c.icodclim != 1) folder.write("clim.2", c.clim2);
    folder.write("obs.csv", c.table);
    const auto result = folder.run_in_process();
    EXPECT_EQ(result.status, 0) << c.what;
    EXPECT_EQ(stemp(folder), c.stemp) << c.what;
  }
}

// The daily records of the interpolated LAI file: number, day, LAI, thermal time.
struct Record {
  int num;
  int day;
  double lai;
  double t;
};
std::vector<Record> series(const RunFolder& folder) {
  std::vector<Record> out;
  const auto all = lines(folder.read("lai.txt"));
  for (std::size_t k = 8; k < all.size(); ++k) {
    EXPECT_EQ(all[k].size(), 21u) << all[k];
    const auto w = words(all[k]);
    out.push_back({std::stoi(w[0]), std::stoi(w[1]), std::stod(w[2]), std::stod(w[3])});
  }
  return out;
}
bool traced_tf(const RunFolder& folder) {
  return folder.read("test.txt").find(" Tf non atteint\r\n") != std::string::npos;
}

TEST(DailySeries, EndsOnTheFirstDayTheCurveFallsBackToZero) {
  RunFolder folder;
  folder.write("param.soj", param("15/04/2011", 1, "0 5.0\n0 0.05\n0 60.0\n0 0.05\n0 150.0\n"));
  folder.write("clim.1", climate(2011, mild(1, 200)));
  folder.write("obs.csv", "ian;mo;jo;jul;lai(n)\n2011;4;20;110;0.1\n2011;4;30;120;0.5\n");
  const auto result = folder.run_in_process();
  EXPECT_EQ(result.status, 0);
  const auto s = series(folder);
  ASSERT_GE(s.size(), 3u);
  for (std::size_t k = 0; k + 1 < s.size(); ++k) {
    EXPECT_EQ(s[k].num, static_cast<int>(k) + 1);
    EXPECT_EQ(s[k].day, 105 + static_cast<int>(k));
    EXPECT_GT(s[k].lai, 0.0) << "day " << s[k].day;
  }
  // Day 129 has t = 150 = p5: the decline term reaches 1 and the curve is below zero for the first time.
  EXPECT_EQ(s.back().lai, 0.0);
  EXPECT_EQ(s.back().day, 129);
  EXPECT_FALSE(traced_tf(folder));
  EXPECT_EQ(lines(folder.read("lai.txt"))[0], "  ");  // p5 = 150 is below the final thermal time
}

TEST(DailySeries, EndsOnTheFirstDayWithTheFinalThermalTime) {
  RunFolder folder;
  auto days = mild(1, 150);
  for (int d = 151; d <= 155; ++d) days.push_back({d, 0.0, 1.0});  // cold days add nothing
  folder.write("param.soj", param("15/04/2011", 1, "0 5.0\n0 0.05\n0 60.0\n0 0.001\n0 5000.0\n"));
  folder.write("clim.1", climate(2011, days));
  folder.write("obs.csv", "ian;mo;jo;jul;lai(n)\n2011;4;20;110;0.1\n2011;4;30;120;0.5\n");
  const auto result = folder.run_in_process();
  EXPECT_EQ(result.status, 0);
  const auto s = series(folder);
  ASSERT_FALSE(s.empty());
  EXPECT_EQ(s.back().day, 150);
  EXPECT_EQ(s.back().t, 6.0 * 46);
  EXPECT_TRUE(traced_tf(folder));
  EXPECT_EQ(lines(folder.read("lai.txt"))[0], " Tf non atteint");
}

TEST(DailySeries, RunsToTheEndOfTheDayTableWhenTheThermalTimeStaysZero) {
  // Emergence after the last day of a short second climate file: t stays 0 while the final thermal time
  // is positive, and the curve is positive at 0.
  RunFolder folder;
  folder.write("param.soj", param("15/04/2012", 2, "0 5.0\n0 0.05\n0 -60.0\n0 0.001\n0 5000.0\n"));
  folder.write("clim.1", climate(2011, mild(300, 365)));
  folder.write("clim.2", climate(2012, mild(1, 30)));
  folder.write("obs.csv", "ian;mo;jo;jul;lai(n)\n2011;11;1;305;-999.99\n2012;4;20;111;0.1\n2012;4;30;121;0.5\n");
  const auto result = folder.run_in_process();
  EXPECT_EQ(result.status, 0);
  const auto s = series(folder);
  ASSERT_FALSE(s.empty());
  EXPECT_EQ(s.front().day, 106 + 365);
  EXPECT_EQ(s.back().day, 800);
  EXPECT_EQ(s.back().num, 800 - 471 + 1);
  EXPECT_EQ(s.back().t, 0.0);
  EXPECT_TRUE(traced_tf(folder));
}

TEST(DailySeries, RefusesDaysOutsideTheDayTable) {
  const struct {
    const char* what;
    std::string date;
    std::string clim1;
    std::string table;
    std::string screen;
  } cases[] = {
      {"climate day 9999", "15/04/2011", climate(2011, mild(100, 110)) + climate(2011, {{9999, 5.0, 15.0}}),
       "ian;mo;jo;jul;lai(n)\n2011;4;20;110;0.1\n",
       " error- clim.1: day 9999 gives day number 9999, outside the 800-day table\r\n"},
      {"climate day 0", "15/04/2011", climate(2011, mild(100, 110)) + climate(2011, {{0, 5.0, 15.0}}),
       "ian;mo;jo;jul;lai(n)\n2011;4;20;110;0.1\n",
       " error- clim.1: day 0 gives day number 0, outside the 800-day table\r\n"},
      {"observation day 900", "15/04/2011", climate(2011, mild(100, 110)),
       "ian;mo;jo;jul;lai(n)\n2011;4;20;110;0.1\n2011;1;1;900;0.3\n",
       " error- obs.csv: the observation day number 900 lies outside the 800-day table\r\n"},
      {"emergence day 0", "00/01/2011", climate(2011, mild(1, 110)), "ian;mo;jo;jul;lai(n)\n2011;4;20;110;0.1\n",
       " error- param.soj: the emergence day number 0 lies outside the 800-day table\r\n"},
  };
  for (const auto& c : cases) {
    RunFolder folder;
    folder.write("param.soj", param(c.date, 1));
    folder.write("clim.1", c.clim1);
    folder.write("obs.csv", c.table);
    const auto result = folder.run_in_process();
    EXPECT_EQ(result.status, 2) << c.what;
    EXPECT_EQ(result.errors, "") << c.what;
    ASSERT_GE(result.screen.size(), c.screen.size()) << c.what;
    EXPECT_EQ(result.screen.substr(result.screen.size() - c.screen.size()), c.screen) << c.what;
    EXPECT_FALSE(folder.exists("lai.txt")) << c.what;
    EXPECT_EQ(folder.read("clim.1"), c.clim1) << c.what;
  }
}

TEST(ResultFile, WritesTheParameterLinesAndTheFitSummary) {
  // Three observation points for three estimated parameters: the fit runs with no degree of freedom.
  RunFolder folder;
  folder.write("param.soj", param("15/04/2011", 1, "1 5.0\n0 0.01\n1 500.0\n1 0.005\n0 2000.0\n"));
  folder.write("clim.1", climate(2011, mild(1, 365)));
  folder.write("obs.csv", "ian;mo;jo;jul;lai(n)\n2011;6;1;152;2.0\n2011;7;1;182;4.0\n");
  const auto result = folder.run_in_process();
  EXPECT_EQ(result.status, 0);
  const auto l = lines(folder.read("lai.txt"));
  ASSERT_GE(l.size(), 9u);
  EXPECT_EQ(l[2], "0    0.0100");
  EXPECT_EQ(l[5], "0       2000.0000");
  EXPECT_EQ(l[1].substr(0, 2), "1 ");
  EXPECT_EQ(l[1].size(), 11u);
  EXPECT_EQ(l[3].size(), 17u);
  EXPECT_EQ(words(l[6])[1], "0");  // idf
  EXPECT_EQ(l[6].size(), 26u);
  EXPECT_EQ(l[7], "        2011");
}

}  // namespace
}  // namespace laifit::testing
