// The fit's findings on fits made by hand, each threshold on both sides; the catalogue's own rules; the
// names that almost match.

#include <gtest/gtest.h>

#include <set>

#include "inspect/catalogue.hpp"
#include "inspect/findings.hpp"
#include "inspect/fit.hpp"
#include "inspect/names.hpp"

namespace laifit::testing {
namespace {

using inspect::FitPoint;
using inspect::FitView;

// A converged fit of four estimated parameters through (day, observed, fitted) points, its series
// ending on day end.
FitView fit_of(std::initializer_list<std::array<float, 3>> points, std::int32_t end = 400) {
  FitView v;
  v.fitted = true;
  v.estimator.exit = EstimatorExit::sum_converged;
  v.estimator.degrees_of_freedom = static_cast<std::int32_t>(points.size()) - 4;
  v.nbpar = 4;
  v.estimated = {true, true, true, true, false};
  v.start = {5.0f, 0.01f, 600.0f, 0.006f, 1950.0f};
  v.used = {1.0f, 1.0f, 1.0f, 1.0f, 0.0f};
  std::int64_t line = 2;
  for (const auto& [day, observed, fitted] : points) {
    FitPoint p;
    p.line = line++;
    p.day = static_cast<std::int32_t>(day);
    p.thermal_time = day;
    p.observed = observed;
    p.fitted = fitted;
    v.points.push_back(p);
  }
  v.series.push_back(inspect::SeriesDay{end, 0.0f, static_cast<float>(end)});
  v.end = FitView::End::back_to_zero;
  v.somi = 5000.0f;
  return v;
}

std::set<std::string> codes_of(const FitView& fit) {
  inspect::Findings f;
  inspect::check_fitted(fit, "obs.csv", f);
  std::set<std::string> codes;
  for (const inspect::Finding& x : f.all()) codes.insert(x.code);
  return codes;
}

// R² from the points, as the fit's view computes it.
FitView with_r2(FitView v, double r2) {
  v.r2 = r2;
  return v;
}

TEST(FitFindings, BrokenFitsAreWarningsOnTheirSideOfEachThreshold) {
  const FitView sound = fit_of({{100, 1, 1}, {200, 2, 2}, {300, 3, 3}, {350, 1, 1}, {380, 0.5f, 0.5f}});
  EXPECT_EQ(codes_of(sound), std::set<std::string>{});
  EXPECT_EQ(codes_of(with_r2(sound, 0.0)), std::set<std::string>{});
  EXPECT_EQ(codes_of(with_r2(sound, -0.001)), std::set<std::string>{"r2-negative"});
  // Zero or below at every point: the curve's own finding, whatever R² says; one point above zero is enough.
  EXPECT_EQ(codes_of(with_r2(fit_of({{100, 1, 0}, {200, 2, -1}, {300, 3, 0}, {350, 1, 0}, {380, 1, 0}}), -5)),
            std::set<std::string>{"curve-not-positive"});
  EXPECT_EQ(codes_of(fit_of({{100, 1, 0}, {200, 2, 1e-6f}, {300, 3, 0}, {350, 1, 0}, {380, 1, 0}})),
            std::set<std::string>{});
  // The rejected problem: four points for four parameters are enough, three are too few, and a zero start
  // has its own finding among the inputs.
  FitView rejected = fit_of({{100, 1, 1}, {200, 2, 2}, {300, 3, 3}, {350, 1, 1}});
  rejected.estimator.exit = EstimatorExit::rejected;
  EXPECT_EQ(codes_of(rejected), std::set<std::string>{"estimator-rejected"});
  rejected.start[1] = 0.0f;
  EXPECT_EQ(codes_of(rejected), std::set<std::string>{});
  rejected.points.pop_back();
  EXPECT_EQ(codes_of(rejected), std::set<std::string>{"too-few-points"});
  // Observed leaf area after the curve has come back to zero.
  EXPECT_EQ(codes_of(fit_of({{100, 1, 1}, {200, 2, 2}, {300, 3, 3}, {350, 1, 1}, {401, 0.5f, 0}})),
            std::set<std::string>{"zero-before-last"});
  EXPECT_EQ(codes_of(fit_of({{100, 1, 1}, {200, 2, 2}, {300, 3, 3}, {350, 1, 1}, {400, 0.5f, 0}})),
            std::set<std::string>{});
}

TEST(FitFindings, ZerosAfterTheEndOfTheCurveCountFromTwo) {
  EXPECT_EQ(codes_of(fit_of({{100, 1, 1}, {200, 2, 2}, {300, 3, 3}, {350, 1, 1}, {401, 0, -1}})),
            std::set<std::string>{});
  EXPECT_EQ(codes_of(fit_of({{100, 1, 1}, {200, 2, 2}, {300, 3, 3}, {350, 1, 1}, {401, 0, -1}, {410, 0, -2}})),
            std::set<std::string>{"zeros-after-end"});
  // Zeros before the end of the series are the curve's own decline.
  EXPECT_EQ(codes_of(fit_of({{100, 1, 1}, {200, 2, 2}, {300, 3, 3}, {390, 0, 0.1f}, {400, 0, 0}, {401, 0, -1}})),
            std::set<std::string>{});
}

TEST(FitFindings, LimitsThatReachZeroAreANoteThatNamesThem) {
  FitView v = fit_of({{100, 1, 1}, {200, 2, 2}, {300, 3, 3}, {350, 1, 1}, {380, 0.5f, 0.5f}});
  v.limits[3] = std::array<float, 2>{0.0f, 0.01f};
  inspect::Findings f;
  inspect::check_fitted(v, "obs.csv", f);
  ASSERT_EQ(f.all().size(), 1u);
  EXPECT_EQ(f.all()[0].code, "limits-include-zero");
  EXPECT_EQ(f.all()[0].severity, inspect::Severity::note);
  EXPECT_NE(f.all()[0].what.find("p4 span 0 (p4 from 0 to 0.01)"), std::string::npos) << f.all()[0].what;
  v.limits[3] = std::array<float, 2>{1e-30f, 0.01f};
  v.limits[2] = std::array<float, 2>{-0.01f, -1e-30f};
  EXPECT_EQ(codes_of(v), std::set<std::string>{});
}

TEST(Catalogue, EveryCodeOnceAndEveryStopSaidByItsRowAlone) {
  std::set<std::string_view> codes;
  for (const inspect::CatalogueEntry& e : inspect::catalogue()) {
    EXPECT_TRUE(codes.insert(e.code).second) << e.code;
    EXPECT_FALSE(e.title.empty()) << e.code;
    EXPECT_EQ(e.title.find("exit status"), std::string_view::npos) << e.code;
    EXPECT_EQ(e.fix.find("exit status"), std::string_view::npos) << e.code;
    if (e.stops != inspect::kGoesOn) {
      EXPECT_EQ(e.severity, inspect::Severity::warning) << e.code;
    }
  }
  inspect::Findings f;
  f.add("missing-file", "x.csv", "no such file in the folder.", "line 3");
  f.add("climate-days", "c.2011 line 5", "the days do not follow each other.");
  ASSERT_EQ(f.all().size(), 2u);
  EXPECT_EQ(f.all()[0].what, "no such file in the folder. laifit stops there (exit status 2), with no fit.");
  EXPECT_EQ(f.all()[0].fix, "correct the name in param.soj: line 3");
  EXPECT_EQ(f.all()[1].what, "the days do not follow each other.");
  EXPECT_TRUE(f.explains_stop());
  EXPECT_THROW(f.add("no-such-finding", "", ""), std::logic_error);
}

TEST(Names, AccentsComposedOrNotAndWindows1252AreOneName) {
  // é composed (C3 A9) and decomposed (e, U+0301); Ž is in the table, U+0180 is beyond it.
  EXPECT_EQ(inspect::decomposed("relev\xC3\xA9"), "releve\xCC\x81");
  EXPECT_EQ(inspect::decomposed("\xC5\xBD"), "Z\xCC\x8C");
  EXPECT_EQ(inspect::decomposed("\xC6\x80"), "\xC6\x80");
  EXPECT_EQ(inspect::decomposed("\xC3\x80"), "A\xCC\x80");  // U+00C0, the table's first letter
  EXPECT_EQ(inspect::decomposed("\xC3\x97"), "\xC3\x97");   // U+00D7, a sign among the letters
  EXPECT_TRUE(inspect::same_name_written_otherwise("relev\xC3\xA9.csv", "releve\xCC\x81.csv"));
  EXPECT_TRUE(inspect::same_name_written_otherwise("relev\xE9.csv", "relev\xC3\xA9.csv"));
  EXPECT_TRUE(inspect::same_name_written_otherwise("\x80uro",
                                                   "\xE2\x82\xAC"
                                                   "uro"));  // 0x80: the euro sign
  EXPECT_FALSE(inspect::same_name_written_otherwise("relev\xC3\xA9.csv", "relev\xC3\xA9.csv"));
  EXPECT_FALSE(inspect::same_name_written_otherwise("releve.csv", "relev\xC3\xA9.csv"));
  EXPECT_FALSE(inspect::windows1252_as_utf8("\x81").has_value());  // a byte Windows-1252 leaves undefined
}

}  // namespace
}  // namespace laifit::testing
