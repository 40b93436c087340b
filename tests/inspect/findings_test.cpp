// Every finding of the inspector from a run folder made for it, and no warning at all on the reference
// runs judged clean; the folder is left exactly as it was in every case.

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "folders.hpp"

namespace laifit::testing {
namespace {

using inspect::Severity;

// A change to the example folder: its files (and, when given, the folder itself).
struct Case {
  const char* what;
  std::function<void(Files&)> change;
  const char* code;
  Severity severity;
  const char* where;  // a part of the finding's place
  const char* text;   // a part of its text
  std::function<void(const std::filesystem::path&)> prepare = nullptr;
  const char* base = "";  // a reference run's inputs instead of the example
};

std::string obs(const Files& f) { return f.at("obs2011.csv"); }

// The example's observation table with line k replaced.
void table_line(Files& f, int k, const std::string& line) { f["obs2011.csv"] = with_line(obs(f), k, line); }
void param_line(Files& f, int k, const std::string& line) { f["param.soj"] = with_line(f["param.soj"], k, line); }

// The example's table with every LAI written with a decimal comma.
std::string comma_table(const std::string& table) {
  std::string out;
  std::istringstream in(table);
  int k = 0;
  for (std::string l; std::getline(in, l); ++k) {
    if (k > 0) {
      // The seventh cell is lai(n).
      std::size_t at = 0;
      for (int cell = 0; cell < 6; ++cell) at = l.find(';', at) + 1;
      const std::size_t point = l.find('.', at);
      if (point != std::string::npos && point < l.find(';', at)) l[point] = ',';
    }
    out += l + "\n";
  }
  return out;
}

// A table whose rows span the two years of a crop, from autumn to the next summer.
const char* const kTwoYearTable =
    "ian;mo;jo;jul;lai(n)\n2011;10;20;293;0.00\n2011;11;20;324;0.20\n2012;3;1;61;0.50\n2012;4;1;92;1.50\n"
    "2012;5;1;122;3.00\n2012;6;1;153;2.00\n";

const Case kCases[] = {
    // The files the run description names.
    {"a climate file that is not there", [](Files& f) { f.erase("beauce.2011"); }, "missing-file", Severity::warning,
     "beauce.2011 (the climate file of the sowing year, param.soj line 1)", "no such file"},
    {"an empty observation table", [](Files& f) { f["obs2011.csv"] = ""; }, "empty-file", Severity::warning,
     "obs2011.csv", "empty"},
    {"an empty climate file", [](Files& f) { f["beauce.2011"] = ""; }, "empty-file", Severity::warning, "beauce.2011",
     "every thermal time is 0"},
    {"an observation table that is a folder", [](Files& f) { f.erase("obs2011.csv"); }, "not-a-file",
     Severity::warning, "obs2011.csv", "not a regular file",
     [](const std::filesystem::path& dir) { std::filesystem::create_directory(dir / "obs2011.csv"); }},
    {"a name of 31 characters",
     [](Files& f) {
       f["obs_of_the_field_2011_plot1.csv"] = obs(f);
       param_line(f, 3, "obs_of_the_field_2011_plot1.csv");
     },
     "name-too-long", Severity::warning, "param.soj line 3", "uses \"obs_of_the_field_2011_plot1.cs\""},
    {"a name with a blank, unquoted",
     [](Files& f) {
       f["my obs.csv"] = obs(f);
       param_line(f, 3, "my obs.csv");
     },
     "name-split", Severity::warning, "param.soj line 3", "laifit uses \"my\""},
    // The layout of the run description.
    {"a name with a slash, unquoted", [](Files& f) { param_line(f, 4, "out/lai.txt"); }, "name-split",
     Severity::warning, "param.soj line 4", "an unquoted name ends at a slash, so laifit uses \"out\""},
    {"a name that begins with a slash, unquoted", [](Files& f) { param_line(f, 4, "/tmp/lai.txt"); }, "name-split",
     Severity::warning, "param.soj line 4", "laifit reads an empty name"},
    {"a byte-order mark before the run description",
     [](Files& f) { f["param.soj"] = "\xEF\xBB\xBF" + f["param.soj"]; }, "byte-order-mark", Severity::warning,
     "param.soj line 1", "EF BB BF"},
    {"an observation table with carriage returns alone as line ends",
     [](Files& f) { std::replace(f["obs2011.csv"].begin(), f["obs2011.csv"].end(), '\n', '\r'); }, "cr-line-ends",
     Severity::warning, "obs2011.csv", "reads such lines as one"},
    {"a blank line in the run description", [](Files& f) { param_line(f, 2, "beauce.2012\n"); }, "param-blank-line",
     Severity::warning, "param.soj line 3", "reads the observation table from line 4"},
    {"a parameter's switch and value on two lines", [](Files& f) { param_line(f, 8, "1\n5.0"); },
     "param-split-line", Severity::warning, "param.soj line 8", "takes the rest from line 9"},
    {"a run description cut after line 9", [](Files& f) { f["param.soj"] = first_lines(f["param.soj"], 9); },
     "param-short", Severity::warning, "param.soj", "ends before line 10 (p3)"},
    {"a decimal comma in the base temperature", [](Files& f) { param_line(f, 7, "4,5"); }, "param-decimal-comma",
     Severity::warning, "param.soj line 7", "written \"4,5\" and read as 4"},
    {"a decimal comma in a parameter", [](Files& f) { param_line(f, 9, "1 0,0100"); }, "param-decimal-comma",
     Severity::warning, "param.soj line 9 (p2)", "read as 0"},
    {"a switch of 2", [](Files& f) { param_line(f, 10, "2 600.0"); }, "param-switch", Severity::warning,
     "param.soj line 10 (p3)", "the switch is 2"},
    {"an estimated parameter starting at 0", [](Files& f) { param_line(f, 11, "1 0.0"); }, "zero-start",
     Severity::warning, "param.soj line 11 (p4)", "rejects the fit"},
    // The emergence date.
    {"an emergence date without leading zeros", [](Files& f) { param_line(f, 5, "20/4/2011"); }, "date-layout",
     Severity::warning, "param.soj line 5", "characters 4 and 5 (the month) hold \"4/\""},
    {"an emergence date month first", [](Files& f) { param_line(f, 5, "04/20/2011"); }, "date-layout",
     Severity::warning, "param.soj line 5", "day 4, month 20"},
    {"an emergence year with two digits", [](Files& f) { param_line(f, 5, "20/04/11"); }, "date-layout",
     Severity::warning, "param.soj line 5", "the year 11"},
    {"an emergence year after the season", [](Files& f) { param_line(f, 5, "20/04/2013"); }, "emergence-year",
     Severity::warning, "param.soj line 5", "neither the sowing year 2011"},
    // The header of the observation table.
    {"LAI(n) in capitals", [](Files& f) { table_line(f, 1, "ian;mo;jo;jul;densite;hauteur;LAI(n);masec(n)"); },
     "header-no-lai", Severity::warning, "obs2011.csv line 1", "\"LAI(n)\" (column 7) differs in case"},
    {"lai(n) in quotes", [](Files& f) { table_line(f, 1, "ian;mo;jo;jul;densite;hauteur;\"lai(n)\";masec(n)"); },
     "header-no-lai", Severity::warning, "obs2011.csv line 1", "has quotes"},
    {"lai(n) beyond the first 100 characters",
     [](Files& f) { table_line(f, 1, "ian;mo;jo;jul;" + std::string(90, 'd') + ";hauteur;lai(n);masec(n)"); },
     "header-no-lai", Severity::warning, "obs2011.csv line 1", "beyond the first 100 characters"},
    {"a header separated by commas", [](Files& f) { table_line(f, 1, "ian,mo,jo,jul,densite,hauteur,lai(n),masec(n)"); },
     "header-no-lai", Severity::warning, "obs2011.csv line 1", "not by a comma"},
    {"lai(n) among the date columns", [](Files& f) { table_line(f, 1, "ian;mo;lai(n);jul;densite;hauteur;x;masec(n)"); },
     "header-lai-in-date", Severity::warning, "obs2011.csv line 1", "column 3"},
    {"an empty word in the header", [](Files& f) { table_line(f, 1, "ian;mo;jo;jul;;densite;hauteur;lai(n)"); },
     "header-empty-word", Severity::warning, "obs2011.csv line 1", "column 5 of the header has no name"},
    // Its rows.
    {"decimal commas", [](Files& f) { f["obs2011.csv"] = comma_table(obs(f)); }, "decimal-comma", Severity::warning,
     "obs2011.csv lines 2 to 19", "line 3: lai(n) \"0,03\" is read as 0"},
    {"a decimal comma before lai(n)", [](Files& f) { table_line(f, 5, "2011;5;16;136;250,5;26;0.23;0.40"); },
     "decimal-comma", Severity::warning, "obs2011.csv line 5", "takes lai(n) from column hauteur: \"26\" read as 26"},
    {"an empty cell before lai(n)", [](Files& f) { table_line(f, 5, "2011;5;16;136;;26;0.23;0.40"); }, "empty-cell",
     Severity::warning, "obs2011.csv line 5",
     "the cell of column densite is empty (laifit passes over empty cells), so laifit takes lai(n) from column "
     "masec(n): \"0.40\" read as 0.4 instead of \"0.23\""},
    {"an empty cell in a row that ends with lai(n)",
     [](Files& f) {
       f["obs2011.csv"] = "ian;mo;jo;jul;densite;lai(n)\n2011;4;28;118;250;0.03\n2011;5;7;127;;0.09\n"
                          "2011;5;16;136;250;0.23\n2011;5;25;145;250;0.61\n2011;6;3;154;250;1.57\n";
     },
     "short-row", Severity::warning, "obs2011.csv line 3",
     "takes its LAI from line 4, column ian: \"2011\" read as 2011"},
    {"the line after a short row", [](Files& f) { table_line(f, 5, "2011;5;16;136;250;0.23"); }, "line-not-read",
     Severity::warning, "obs2011.csv line 6", "not read as a row"},
    {"a blank inside a cell", [](Files& f) { table_line(f, 5, "2011;5;16;136;2 50;26;0.23;0.40"); },
     "cell-with-blank", Severity::warning, "obs2011.csv line 5", "column densite holds \"2 50\""},
    {"NA before lai(n)", [](Files& f) { table_line(f, 5, "2011;5;16;136;NA;26;0.23;0.40"); }, "not-a-number",
     Severity::warning, "obs2011.csv line 5, column densite", "\"NA\" is not a number"},
    {"a quoted name before lai(n)", [](Files& f) { table_line(f, 5, "2011;5;16;136;'plot 1';26;0.23;0.40"); },
     "not-a-number", Severity::warning, "obs2011.csv line 5, column densite", "\"'plot 1'\" is not a number"},
    {"NA as lai(n)", [](Files& f) { table_line(f, 5, "2011;5;16;136;250;26;NA;0.40"); }, "not-a-number",
     Severity::warning, "obs2011.csv line 5, column lai(n)", "laifit stops reading the table here"},
    {"a slash before lai(n)", [](Files& f) { table_line(f, 5, "2011;5;16;136;25/05;26;0.23;0.40"); }, "slash",
     Severity::warning, "obs2011.csv line 5",
     "column densite holds \"25/05\", so laifit stops reading the row there and its lai(n) keeps the value of the "
     "row before, 0.09"},
    {"a line longer than 200 characters",
     [](Files& f) { table_line(f, 5, "2011;5;16;136;250;26;0.23;0.40;" + std::string(190, 'x')); }, "long-line",
     Severity::note, "obs2011.csv line 5", "longer than 200 characters"},
    {"a row of another year", [](Files& f) { table_line(f, 12, "2013;7;18;199;250;89;5.60;9.53"); }, "row-year",
     Severity::warning, "obs2011.csv line 12", "line 12 is of 2013"},
    {"a day of the year that does not match the date", [](Files& f) { table_line(f, 5, "2011;5;16;146;250;26;0.23;0.40"); },
     "day-of-year", Severity::warning, "obs2011.csv line 5", "says day 146 for 16/05/2011, which is day 136"},
    {"an LAI of 52", [](Files& f) { table_line(f, 5, "2011;5;16;136;250;26;52;0.40"); }, "lai-too-large",
     Severity::warning, "obs2011.csv line 5", "above 20"},
    {"an LAI beyond the range of a real", [](Files& f) { table_line(f, 5, "2011;5;16;136;250;26;1e39;0.40"); },
     "lai-not-finite", Severity::warning, "obs2011.csv line 5", "the fit is meaningless"},
    {"a valid row before emergence", [](Files& f) { table_line(f, 2, "2011;4;12;102;250;0;0.00;-999.99"); },
     "before-emergence", Severity::warning, "obs2011.csv line 2", "before emergence (day 110"},
    {"every LAI missing",
     [](Files& f) { f["obs2011.csv"] = "ian;mo;jo;jul;lai(n)\n2011;4;12;102;-999.99\n2011;5;12;132;-999.99\n"; },
     "no-fit", Severity::warning, "the fit", "no LAI value from emergence on"},
    {"consecutive days from emergence",
     [](Files& f) { f["obs2011.csv"] = "ian;mo;jo;jul;lai(n)\n2011;4;20;110;0.01\n2011;4;21;111;0.02\n"; }, "no-fit",
     Severity::warning, "the fit", "follow each other day by day"},
    {"every observation 0",
     [](Files& f) { f["obs2011.csv"] = "ian;mo;jo;jul;lai(n)\n2011;5;1;121;0\n2011;6;1;152;0\n2011;7;1;182;0\n"
                                       "2011;8;1;213;0\n2011;9;1;244;0\n"; },
     "all-zero", Severity::warning, "the fit", "every observation point has LAI 0"},
    // The climate files.
    {"observations of 2012 against the climate of 2011",
     [](Files& f) {
       std::string t = obs(f);
       for (std::size_t at = t.find("\n2011;"); at != std::string::npos; at = t.find("\n2011;", at)) t[at + 4] = '2';
       f["obs2011.csv"] = t;
       param_line(f, 5, "20/04/2012");
     },
     "climate-year", Severity::warning, "beauce.2011 (the climate file of the sowing year)", "holds the year 2011"},
    {"a climate file that ends before the last observations",
     [](Files& f) { f["beauce.2011"] = first_lines(f["beauce.2011"], 230); }, "zero-thermal-time", Severity::warning,
     "obs2011.csv lines 16 to 19", "4 observations get thermal time 0, after the end of the climate data"},
    {"a two-year crop with one climate year",
     [](Files& f) {
       f["obs2011.csv"] = kTwoYearTable;
       param_line(f, 5, "20/10/2011");
     },
     "one-climate-year", Severity::warning, "param.soj line 6", "runs into 2012"},
    {"a missing and a repeated climate day",
     [](Files& f) {
       // Without day 150, line k holds day k + 1 from line 150 on; line 200 then repeats day 200.
       const std::string c = with_line(f["beauce.2011"], 150, "");
       f["beauce.2011"] = with_line(c, 200, "beauce 2011  7 19 200  12.0  25.0  20.0  4.0   0.0");
     },
     "climate-days", Severity::warning, "beauce.2011 lines 150, 200 and 201",
     "day 150 is missing (before line 150); line 200 gives day 200 again; day 201 is missing"},
    {"a first climate file one day short of a leap sowing year",
     [](Files& f) {
       std::string t = kTwoYearTable;
       for (std::size_t at = t.find("\n2012;"); at != std::string::npos; at = t.find("\n2012;", at)) t[at + 4] = '3';
       for (std::size_t at = t.find("\n2011;"); at != std::string::npos; at = t.find("\n2011;", at)) t[at + 4] = '2';
       f["obs2011.csv"] = t;
       std::string c2012 = f["beauce.2011"], c2013 = f["beauce.2011"];
       for (std::size_t at = 0; (at = c2012.find(" 2011 ", at)) != std::string::npos;) c2012.replace(at, 6, " 2012 ");
       for (std::size_t at = 0; (at = c2013.find(" 2011 ", at)) != std::string::npos;) c2013.replace(at, 6, " 2013 ");
       f.erase("beauce.2011");
       f["beauce.2012"] = c2012;
       f["beauce.2013"] = c2013;
       param_line(f, 1, "beauce.2012");
       param_line(f, 2, "beauce.2013");
       param_line(f, 5, "20/10/2012");
       param_line(f, 6, "2");
     },
     "climate-year-length", Severity::warning, "beauce.2012", "ends on day 365, but laifit counts 366 days in 2012"},
    {"a climate line with nine values",
     [](Files& f) { f["beauce.2011"] = with_line(f["beauce.2011"], 150, "beauce 2011  5 30 150  10.0  20.0  15.0  3.0"); },
     "climate-short-line", Severity::warning, "beauce.2011 line 150", "takes the rest from line 151"},
    {"a header line in a climate file",
     [](Files& f) { f["beauce.2011"] = "station an mois jour jul tn tx rg etp rr\n" + f["beauce.2011"]; },
     "climate-not-a-number", Severity::warning, "beauce.2011 line 1", "no header line"},
    {"the same climate file for both years",
     [](Files& f) {
       param_line(f, 2, "beauce.2011");
       param_line(f, 6, "2");
     },
     "same-climate-file", Severity::warning, "param.soj lines 1 and 2", "cannot open it twice"},
    {"a base temperature that no day reaches", [](Files& f) { param_line(f, 7, "40.0"); }, "base-not-reached",
     Severity::warning, "param.soj line 7", "the warmest daily mean is 22.9 °C"},
    {"climate data that end before emergence", [](Files& f) { f["beauce.2011"] = first_lines(f["beauce.2011"], 100); },
     "no-climate-days", Severity::warning, "the climate data", "no day from emergence (day 110"},
    // The fit.
    {"fewer points than estimated parameters",
     [](Files& f) { f["obs2011.csv"] = first_lines(obs(f), 4); }, "too-few-points", Severity::warning, "the fit",
     "3 observation points for 4 estimated parameters"},
    {"an interpolated LAI file from other inputs", [](Files& f) { f["lai_interp.txt"] = " \r\n"; }, "stale-output",
     Severity::warning, "lai_interp.txt", "differs from what laifit writes"},
    {"a report left over by a run without fit",
     [](Files& f) {
       f["obs2011.csv"] = "ian;mo;jo;jul;lai(n)\n2011;4;20;110;0.01\n2011;4;21;111;0.02\n";
       f["adjust_lai.txt"] = "an earlier report\r\n";
     },
     "stale-output", Severity::warning, "adjust_lai.txt", "laifit writes nothing into it"},
    {"the LAI file named like the observation table", [](Files& f) { param_line(f, 4, "obs2011.csv"); }, "refused",
     Severity::warning, "laifit", "is the input file obs2011.csv"},
    {"an LAI file named by an absolute path", [](Files& f) { param_line(f, 4, "'/nonexistent-laifit/lai.txt'"); },
     "not-recomputed", Severity::warning, "the fit", "absolute path"},
    {"the observations stop at the maximum", [](Files& f) { f["obs2011.csv"] = first_lines(obs(f), 11); },
     "decline-extrapolated", Severity::note, "the fit", "no observation lies after the fitted maximum"},
    {"an undetermined decline", [](Files& f) { f["obs2011.csv"] = first_lines(obs(f), 11); }, "limits-include-zero",
     Severity::note, "the fit", "the confidence limits of p4 include 0"},
    {"a decline that comes too early", [](Files& f) { param_line(f, 12, "0 1500.0"); }, "zero-before-last",
     Severity::note, "the fit", "falls back to zero on day 224 (12/08/2011), before observed leaf area on obs2011.csv lines 15 to 18"},
    {"a climate file that ends before p5", [](Files& f) { f["beauce.2011"] = first_lines(f["beauce.2011"], 230); },
     "tf-non-atteint", Severity::note, "the fit", "p5 = 1950 °Cd lies beyond the last thermal time"},
    {"every parameter held", nullptr, "all-held", Severity::note, "the fit", "no parameter is estimated", nullptr,
     "f01_all_held"},
    {"as many points as parameters", nullptr, "no-freedom", Severity::note, "the fit", "as many observation points",
     nullptr, "f07_idf_zero"},
    {"the iteration limit", nullptr, "not-converged", Severity::note, "the fit", "iteration limit of 50", nullptr,
     "f20_exit3_iteration_limit"},
    {"no reduction", nullptr, "not-converged", Severity::note, "the fit", "36 trial steps", nullptr,
     "f19_exit4_no_reduction"},
    {"a fitted LAI beyond the file's field", nullptr, "lai-unwritable", Severity::note, "the fit", "******", nullptr,
     "random_r101_0004"},
};

TEST(Findings, EachComesFromTheFolderMadeForItAndLeavesTheFolderAsItWas) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    Files files = *c.base != 0 ? case_files(c.base) : example_files();
    if (c.change) c.change(files);
    RunFolder folder;
    for (const auto& [name, content] : files) folder.write(name, content);
    if (c.prepare) c.prepare(folder.dir());
    const auto before = snapshot(folder.dir());
    const inspect::Outcome out = inspect_folder(folder.dir());
    EXPECT_EQ(snapshot(folder.dir()), before) << "the inspector changed the folder";

    const auto it = std::find_if(out.findings.begin(), out.findings.end(),
                                 [&](const inspect::Finding& f) { return f.code == c.code; });
    ASSERT_NE(it, out.findings.end()) << "no " << c.code << " in\n" << out.report;
    EXPECT_EQ(it->severity, c.severity);
    EXPECT_NE(it->where.find(c.where), std::string::npos) << it->where;
    EXPECT_NE(it->what.find(c.text), std::string::npos) << it->what;
    const bool warned = std::any_of(out.findings.begin(), out.findings.end(),
                                    [](const inspect::Finding& f) { return f.severity == Severity::warning; });
    EXPECT_EQ(out.status, warned ? inspect::kWarnings : inspect::kClean);
    // Every finding of the list is in the report on the screen.
    for (const inspect::Finding& f : out.findings) {
      EXPECT_NE(out.report.find(f.where), std::string::npos) << f.where;
    }
  }
}

// Reference runs whose inputs hold no mistake: the example, the realistic random runs, and the cases
// that exercise laifit's ordinary paths with sound inputs. Their folders after the run (out/) hold outputs
// that match what laifit writes, so they are clean as well.
const char* const kClean[] = {
    "d01_emergence_observed", "d02_emergence_forced",     "d03_emergence_missing_value",
    "d05_second_year_emergence", "d06_leap_sowing_year",  "d12_date_blank_padded",
    "d14_header_blank_separated", "d18_crlf_inputs",      "f01_all_held",
    "f02_only_p5",
    "f03_all_five",           "f04_curve_ends_before_climate", "f05_climate_ends_first",
    "f06_p5_equals_final_tt", "f11_big_fit",              "f12_high_base",
    "f13_second_year_late_emergence", "f14_first_day_skip", "f15_sign_constraint",
    "f16_emergence_jan1",     "f20_exit3_iteration_limit", "f21_big_fit_heavy",
    "random_r101_0000",         "random_r101_0001",
    "random_r101_0002",       "random_r101_0003",         "random_r101_0004",
    "random_r101_0005",       "random_r101_0006",         "random_r101_0007",
    "random_r101_0008",       "random_r101_0009",         "random_r101_0010",
    "random_r101_0011"};

TEST(Findings, NoWarningOnTheCleanReferenceRuns) {
  std::vector<std::filesystem::path> folders{LAIFIT_EXAMPLE_DIR};
  for (const char* name : kClean) {
    for (const char* side : {"in", "out"}) folders.push_back(std::filesystem::path(LAIFIT_CASES_DIR) / name / side);
  }
  for (const auto& dir : folders) {
    SCOPED_TRACE(dir.string());
    // A writable copy: the shared cases may come without write bits, and a run could not write its
    // outputs there (the inspector says so).
    RunFolder copy;
    for (const auto& [name, content] : files_of(dir)) copy.write(name, content);
    const inspect::Outcome out = inspect_folder(copy.dir());
    EXPECT_EQ(out.status, inspect::kClean) << out.report;
    for (const inspect::Finding& f : out.findings) EXPECT_EQ(f.severity, Severity::note) << f.code << ": " << f.what;
  }
}

}  // namespace
}  // namespace laifit::testing
