// The legacy entry haus and the printed report: workspace, trace line, and every block of the report
// on its channels, echoed on the screen by print level.

#include "report/haus.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "capture.hpp"
#include "test_problems.hpp"

namespace laifit {
namespace {

using testing::Captured;
using testing::Exponential;
using testing::Recorder;
using testing::records;

// One estimation with the printed report, its figures kept in somcarre as the fitting procedure keeps them.
struct Direct {
  std::int32_t nprob = 1;
  std::vector<float> y, th, difz, signs;
  EstimatorSettings settings{};
  Somcarre somcarre{1.5f, 2.5f, 3};
  std::vector<float> f;

  EstimatorResult run(const EstimatorModel& model, Captured& io) {
    LegacyReport report(io.out, nprob);
    const EstimatorResult result = estimate(model, {y, th, difz, signs}, settings, report);
    th = result.estimates;
    f = result.fitted;
    keep_fit_figures(result, somcarre);
    return result;
  }
};

// The two-parameter exponential from the start (3.5, 0.25), both parameters free and positive.
Direct exponential_run(const Exponential& data) {
  Direct run;
  run.y = data.y;
  run.th = {3.5f, 0.25f};
  run.difz = {1e-4f, 1e-4f};
  run.signs = {1.0f, 1.0f};
  return run;
}

std::string closing(int nit) {
  char line[64];
  std::snprintf(line, sizeof line, "    FIN DU PROBLEME No.    1   %5d iterations.", nit);
  return "\r\n\r\n" + std::string(line) + "\r\n    --------------------------------------------\r\n";
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The records of a block that starts with an empty line before the given title, up to the next block
// that starts with an empty line.
std::string block(const std::string& text, const std::string& title) {
  const std::size_t start = text.find("\r\n" + title);
  if (start == std::string::npos) return "";
  const std::size_t end = text.find("\r\n\r\n", start + 2);
  return text.substr(start, end == std::string::npos ? std::string::npos : end + 2 - start);
}

TEST(Haus, CutsTheWorkspaceAtTheTabledOffsets) {
  const auto i = workspace_offsets(3, 10);
  EXPECT_EQ(std::vector<std::int64_t>(i.begin(), i.end()),
            (std::vector<std::int64_t>{1, 4, 7, 10, 13, 16, 19, 29, 39, 48, 57, 87, 90}));
  const auto j = workspace_offsets(5, 20);
  EXPECT_EQ(j[11] - 1, 220);  // entries the core reads and writes
  EXPECT_EQ(j[12] - 1, 225);  // with t1
}

TEST(Haus, TracesTheCoreCallWithOnePastTheProportions) {
  struct Case {
    std::int32_t npar, nob;
    const char* trace;
  };
  const Exponential data(12, 3.0, 0.2, 0.5, 0.01);
  for (const Case& c :
       std::vector<Case>{{3, 10, " appel de haus59           4           4           3\r\n appel de model\r\n"},
                         {2, 12, " appel de haus59           3           3           2\r\n appel de model\r\n"},
                         {0, 12, " appel de haus59           1           1           0\r\n"}}) {
    Captured io;
    std::vector<float> par{3.5f, 0.25f, 0.4f};
    std::vector<float> signs{1, 1, 1};
    std::vector<float> work(2500);
    float errc = 1e-5f;
    haus(1, data.model(), c.nob, data.y, c.npar, par, signs, 50, errc, 1e-5f, work, io.out);
    EXPECT_EQ(io.trace_text(), c.trace) << c.npar;
  }
}

TEST(Haus, LeavesProportionsFittedValuesAndCorrelationsInTheirRegions) {
  const Exponential data(10, 3.0, 0.2, 0.5, 0.01);
  const auto i = workspace_offsets(3, 10);
  std::vector<float> par{3.5f, 0.25f, 0.4f};
  const std::vector<float> signs{1, 1, 1};
  std::vector<float> work(static_cast<std::size_t>(i[12] - 1), -7.0f);  // exactly up to t1
  Captured io;
  float errc = 1e-5f;
  haus(1, data.model(), 10, data.y, 3, par, signs, 50, errc, 1e-5f, work, io.out);
  ASSERT_FALSE(contains(io.report_text(), "ERREUR"));
  for (int k = 0; k < 3; ++k) EXPECT_EQ(work[k], 1.0e-4f);
  std::vector<float> fitted(10);
  data.model()(par, fitted);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(work[i[6] - 1 + k], fitted[k]) << "f(" << k + 1 << ")";
  for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(work[i[8] - 1 + k * 3 + k], 1.0f) << "correlation diagonal";
  for (std::int64_t k = i[11] - 1; k < static_cast<std::int64_t>(work.size()); ++k) EXPECT_EQ(work[k], -7.0f) << "t1";

  // One entry short: a parameter error, and the starting values are kept.
  std::vector<float> short_work(static_cast<std::size_t>(i[12] - 2));
  std::vector<float> start{3.5f, 0.25f, 0.4f};
  Captured refused;
  haus(1, data.model(), 10, data.y, 3, start, signs, 50, errc, 1e-5f, short_work, refused.out);
  EXPECT_TRUE(contains(refused.report_text(), " ERREUR DE PARAMETRE.\r\n"));
  EXPECT_EQ(start, (std::vector<float>{3.5f, 0.25f, 0.4f}));
}

TEST(Haus, ReportsTheAuxiliaryEntriesOfTheCore) {
  const Exponential data(20, 3.0, 0.2, 0.5, 0.01);
  std::vector<float> par{3.5f, 0.25f, 0.4f, 1.0f, 1.0f};
  const std::vector<float> signs(5, 1.0f);
  std::vector<float> work(2500);
  Captured io;
  float errc = 1e-5f;
  haus(1, data.model(), 20, data.y, 5, par, signs, 50, errc, 1e-5f, work, io.out);
  EXPECT_TRUE(contains(io.report_text(), "  ( 20 observations,     5 parametres,    215 memoires"));
}

TEST(LegacyReport, WritesTheParameterErrorAfterTheStartingTables) {
  for (const testing::RejectedProblem& c : testing::rejected_problems()) {
    Recorder model{{}, [](std::span<const float>, std::span<float> ye) { std::fill(ye.begin(), ye.end(), 1.0f); }};
    const testing::RejectedArrays arrays(c);
    Direct run;
    run.y = arrays.observed;
    run.th = arrays.start;
    run.difz = arrays.steps;
    run.signs = arrays.keep_sign;
    run.settings = arrays.settings(c);
    const std::vector<float> start = run.th;
    Captured io;
    EstimatorResult result;
    if (c.legacy_only) {
      // Refused by the legacy entry's own bound, through the same report.
      std::vector<float> work(static_cast<std::size_t>(workspace_size(c.np, c.nob)));
      float errc = run.settings.sum_tolerance;
      result = haus(1, model.model(), c.nob, run.y, c.np, run.th, run.signs, c.max_iterations, errc,
                    run.settings.parameter_tolerance, work, io.out);
      keep_fit_figures(result, run.somcarre);
    } else {
      result = run.run(model.model(), io);
    }
    const std::string report = io.report_text();
    EXPECT_EQ(result.exit, EstimatorExit::rejected) << c.name;
    EXPECT_EQ(result.rejection, c.reason) << c.name;
    EXPECT_EQ(result.iterations, 0) << c.name;
    EXPECT_TRUE(model.calls.empty()) << c.name;
    EXPECT_EQ(run.th.size(), start.size());
    EXPECT_TRUE(std::equal(start.begin(), start.end(), run.th.begin(), [](float x, float y) {
      return std::bit_cast<std::uint32_t>(x) == std::bit_cast<std::uint32_t>(y);
    })) << c.name;
    EXPECT_EQ(run.settings.sum_tolerance, -1.0f) << c.name;
    EXPECT_EQ(run.somcarre.sumc, 1.5f);
    EXPECT_EQ(run.somcarre.sdev, 2.5f);
    EXPECT_EQ(run.somcarre.idf, 3);
    EXPECT_TRUE(report.ends_with("\r\n ERREUR DE PARAMETRE.\r\n" + closing(0))) << c.name << "\n" << report;
    EXPECT_TRUE(contains(report, " proportions utilisees en calculant la diff. des quotients :\r\n")) << c.name;
    EXPECT_FALSE(contains(report, "somme des carres initiaux")) << c.name;
    EXPECT_EQ(io.screen_text(), "\r\n ERREUR DE PARAMETRE.\r\n") << c.name;
    EXPECT_EQ(io.trace_text(), c.legacy_only ? " appel de haus59           3           3           2\r\n" : "")
        << c.name;
  }
}

TEST(LegacyReport, WritesTheWholeRejectionReportAndEchoesItByPrintLevel) {
  const std::string report =
      records({"    HAUS59 - ESTIMATION NON-LINEAIRE - PROBLEME No.     7",
               "    -----------------------------------------------------", "",
               "  (  1 observations,     2 parametres,     22 memoires de travail auxiliaires.)", "", "",
               " VALEURS INITIALES DES PARAMETRES :", "        1           2", "   0.1500E+01 -0.2000E+01", "",
               " proportions utilisees en calculant la diff. des quotients :", "        1           2",
               "   0.1000E-03  0.1000E-03", "", " ERREUR DE PARAMETRE.", "", "",
               "    FIN DU PROBLEME No.    7       0 iterations.", "    --------------------------------------------"});
  const std::string heading = report.substr(0, report.find("\r\n\r\n") + 2);
  const std::string error = records({"", " ERREUR DE PARAMETRE."});
  const std::string end = closing(0).replace(closing(0).find("    1"), 5, "    7");
  struct Case {
    std::int32_t impc;
    std::string screen;
  };
  for (const Case& c : std::vector<Case>{
           {-2, error}, {0, error}, {1, error}, {2, heading + error + end}, {3, report}, {4, heading + error + end}}) {
    Direct run;
    run.nprob = 7;
    run.y = {1.0f};
    run.th = {1.5f, -2.0f};
    run.difz = {1e-4f, 1e-4f};
    run.signs = {1.0f, 1.0f};
    Captured io(c.impc);
    Recorder model{{}, [](std::span<const float>, std::span<float>) {}};
    run.run(model.model(), io);
    EXPECT_EQ(io.report_text(), report) << c.impc;
    EXPECT_EQ(io.screen_text(), c.screen) << c.impc;
  }
}

// f = 1e-12 th: the scaled gradient is small and the step points straight at it, but unscaled the step
// is about -1e12, so every halved trial still changes the sign of th = 1.
Direct sign_trapped() {
  Direct run;
  run.y = {-1.0f, -1.0f};
  run.th = {1.0f};
  run.difz = {1e-4f};
  run.signs = {1.0f};
  run.settings = {1e-5f, 1e-5f, 50, 0.01f, 10.0f};
  return run;
}

TEST(LegacyReport, EndsByEachExitWithItsMessageAndIterationCount) {
  const Exponential data(12, 3.0, 0.2, 0.5, 0.01);
  const char* parameters = "\r\n ARRET DES ITERATIONS - variation relative de chaque parametre < a  0.100E-04\r\n";
  const char* sums = "\r\n ARRET DES ITERATIONS - variation relative de la somme des carres < a  0.200E-04\r\n";
  const char* no_reduction =
      "\r\n\r\n ON NE PEUT PAS RENDRE LA SOMME DES CARRES INFERIEURE A CELLE OBTENUE A L'ITERATION PRECEDENTE :"
      "\r\n on arrete l'iteration.\r\n";
  struct Case {
    const char* name;
    float eps1, eps2;
    std::int32_t mit;
    EstimatorExit exit;
    const char* message;  // nullptr: no message
  };
  for (const Case& c : std::vector<Case>{
           {"parameter test", 0.0f, 1e-5f, 50, EstimatorExit::parameters_converged, parameters},
           {"sum test", 2e-5f, 0.0f, 50, EstimatorExit::sum_converged, sums},
           {"iteration limit", 0.0f, 0.0f, 3, EstimatorExit::iteration_limit, nullptr},
       }) {
    Direct run = exponential_run(data);
    run.settings = {c.eps1, c.eps2, c.mit, 0.01f, 10.0f};
    Captured io;
    const EstimatorResult result = run.run(data.model(), io);
    const std::string report = io.report_text();
    EXPECT_EQ(result.exit, c.exit) << c.name;
    if (c.exit == EstimatorExit::iteration_limit) {
      EXPECT_EQ(result.iterations, c.mit + 1);
    }
    EXPECT_TRUE(report.ends_with(closing(result.iterations))) << c.name;
    for (const char* message : {parameters, sums, no_reduction}) {
      const std::string m = message;
      EXPECT_EQ(contains(report, m), message == c.message) << c.name << ": " << m;
    }
    // The stop message comes right after the initial sum of squares, before the statistics.
    const std::size_t after_initial = report.find("\r\n", report.find(" somme des carres initiaux :")) + 2;
    const std::string next = std::string(c.message != nullptr ? c.message : "") + "\r\n matrice de correlation :\r\n";
    EXPECT_EQ(report.substr(after_initial, next.size()), next) << c.name;
  }

  // Every trial changes a sign: 36 refusals in the first iteration and no trial evaluated, so the final
  // sum of squares is the initial one.
  Direct run = sign_trapped();
  Recorder model{{}, [](std::span<const float> par, std::span<float> ye) {
                   for (float& v : ye) v = static_cast<float>(1e-12 * par[0]);
                 }};
  Captured io;
  const EstimatorResult result = run.run(model.model(), io);
  const std::string report = io.report_text();
  EXPECT_EQ(result.exit, EstimatorExit::no_reduction);
  EXPECT_EQ(result.iterations, 1);
  EXPECT_TRUE(contains(report, std::string(no_reduction) + "\r\n matrice de correlation :"));
  EXPECT_TRUE(report.ends_with(closing(1)));
  EXPECT_EQ(run.th[0], 1.0f);
  // Initial evaluation, one difference, then after the iteration one difference for the intervals.
  ASSERT_EQ(model.calls.size(), 3u);
  EXPECT_EQ(model.calls[0][0], 1.0f);
  EXPECT_EQ(model.calls[2][0], model.calls[1][0]);
  EXPECT_TRUE(contains(report, " somme des carres initiaux :   0.2000E+01\r\n"));
  EXPECT_TRUE(contains(report, " somme finale des carres :   0.2000E+01\r\n"));
  EXPECT_EQ(run.somcarre.sumc, 2.0f);
}

TEST(Haus, OverwritesANegativeSumToleranceWithZero) {
  const Exponential data(12, 3.0, 0.2, 0.5, 0.01);
  std::vector<float> par{3.5f, 0.25f};
  const std::vector<float> signs{1, 1};
  std::vector<float> work(2500);
  Captured io;
  float errc = -1.0f;
  haus(1, data.model(), 12, data.y, 2, par, signs, 20, errc, 0.0f, work, io.out);
  EXPECT_EQ(errc, 0.0f);
  EXPECT_FALSE(std::signbit(errc));
  // With no stopping test left, only the iteration limit or a failed iteration ends the fit.
  const std::string report = io.report_text();
  EXPECT_FALSE(contains(report, "ARRET DES ITERATIONS"));
  EXPECT_TRUE(report.ends_with(closing(21)) || contains(report, "ON NE PEUT PAS RENDRE")) << report;
}

TEST(LegacyReport, ShowsEachPrintLevelOnTheScreenAndTheSameReport) {
  const Exponential data(12, 3.0, 0.2, 0.5, 0.01);
  const auto fit = [&](std::int32_t impc, std::string& screen) {
    Direct run = exponential_run(data);
    Captured io(impc);
    run.run(data.model(), io);
    screen = io.screen_text();
    return io.report_text();
  };
  std::string silent;
  const std::string report = fit(0, silent);
  EXPECT_EQ(silent, "");

  const std::size_t estimates = report.find("\r\n valeurs des parametres par regression :");
  const std::size_t end = report.find("\r\n\r\n    FIN DU PROBLEME");
  const std::size_t stop = report.find("\r\n ARRET DES ITERATIONS");
  ASSERT_NE(estimates, std::string::npos);
  ASSERT_NE(stop, std::string::npos);
  const std::string heading = report.substr(0, report.find("\r\n\r\n") + 2);
  const std::string final_blocks = report.substr(estimates, end - estimates);

  std::string screen;
  EXPECT_EQ(fit(1, screen), report);
  EXPECT_EQ(screen, final_blocks);

  // Level 3: the report, with the fitted-value intervals before the estimates.
  std::string full;
  EXPECT_EQ(fit(3, full), report);
  const std::string intervals = block(full, " intervalle de confiance approche pour chaque valeur de la fonction :");
  ASSERT_FALSE(intervals.empty());
  EXPECT_EQ(full, report.substr(0, estimates) + intervals + report.substr(estimates));
  // Two groups of observations (10 and 2): an upper and a lower line for each.
  std::vector<std::string> lines;
  for (std::size_t at = 0, next; (next = intervals.find("\r\n", at)) != std::string::npos; at = next + 2) {
    lines.push_back(intervals.substr(at, next - at));
  }
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[2].size(), 1u + 10 * 12);
  EXPECT_EQ(lines[3].size(), 1u + 10 * 12);
  EXPECT_EQ(lines[4].size(), 1u + 2 * 12);
  for (int k = 0; k < 10; ++k) {
    EXPECT_GT(std::stod(lines[2].substr(1 + 12 * k, 12)), std::stod(lines[3].substr(1 + 12 * k, 12)));
  }

  // Levels 2 and above 3: heading, stop message, statistics (with intervals), estimates, closing line.
  for (std::int32_t impc : {2, 5}) {
    std::string partial;
    EXPECT_EQ(fit(impc, partial), report);
    EXPECT_EQ(partial, heading + full.substr(full.find("\r\n ARRET DES ITERATIONS"))) << impc;
  }
}

TEST(LegacyReport, FlushesStandardOutputBeforeReturning) {
  const Exponential data(12, 3.0, 0.2, 0.5, 0.01);
  for (const float start : {3.5f, 0.0f}) {  // a normal end, a rejection
    Direct run;
    run.y = data.y;
    run.th = {start, 0.25f};
    run.difz = {1e-4f, 1e-4f};
    run.signs = {1.0f, 1.0f};
    Captured io(1);
    run.run(data.model(), io);
    EXPECT_FALSE(io.screen_delivered().empty()) << start;
    EXPECT_EQ(io.screen_delivered(), io.screen_text()) << start;
  }
}

TEST(LegacyReport, SkipsVarianceLimitsAndIntervalsWithoutDegreesOfFreedom) {
  const Exponential data(2, 3.0, 0.2, 0.0, 0.0);
  Direct run = exponential_run(data);
  run.somcarre = {9.0f, 7.5f, 4};
  Captured io(3);
  run.run(data.model(), io);
  const std::string report = io.report_text();
  EXPECT_EQ(run.somcarre.idf, 0);
  EXPECT_EQ(run.somcarre.sdev, 7.5f);
  EXPECT_NE(run.somcarre.sumc, 9.0f);
  const std::string normalising = block(report, " elements normalisants :");
  ASSERT_FALSE(normalising.empty());
  EXPECT_TRUE(contains(report, normalising + "\r\n valeurs des parametres par regression :\r\n"));
  for (const char* absent : {"variance des residus", "limites de confiance", "intervalle de confiance"}) {
    EXPECT_FALSE(contains(report, absent)) << absent;
    EXPECT_FALSE(contains(io.screen_text(), absent)) << absent;
  }
}

TEST(LegacyReport, LeavesTheFitFiguresInSomcarre) {
  const Exponential data(30, 3.0, 0.2, 0.5, 0.05);
  Direct run;
  run.y = data.y;
  run.th = {3.5f, 0.25f, 0.4f};
  run.difz = {1e-4f, 1e-4f, 1e-4f};
  run.signs = {1.0f, 1.0f, 1.0f};
  Captured io;
  run.run(data.model(), io);
  std::vector<float> fitted(30);
  data.model()(run.th, fitted);
  double sum = 0;
  for (int i = 0; i < 30; ++i) sum += (double(fitted[i]) - data.y[i]) * (double(fitted[i]) - data.y[i]);
  EXPECT_EQ(run.somcarre.idf, 27);
  EXPECT_NEAR(run.somcarre.sumc / sum, 1.0, 1e-5);
  EXPECT_NEAR(run.somcarre.sdev / std::sqrt(sum / 27), 1.0, 1e-5);
  EXPECT_EQ(run.f, fitted);
}

}  // namespace
}  // namespace laifit
