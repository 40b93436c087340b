// The CSV and the SVG of the example: well-formed, and every number where the run's own files put it.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <set>
#include <vector>

#include "driver/run.hpp"
#include "folders.hpp"
#include "inspect/fit.hpp"

namespace laifit::testing {
namespace {

// A small XML reader, enough to check that the SVG is well formed: a prolog, one root element, properly
// nested elements with quoted attributes, character and entity references only where XML allows them.
struct Element {
  std::string name;
  std::map<std::string, std::string> attributes;
  std::vector<std::unique_ptr<Element>> children;
  std::string text;  // its character data, references as written

  void all(const std::string& tag, std::vector<const Element*>& out) const {
    if (name == tag) out.push_back(this);
    for (const auto& c : children) c->all(tag, out);
  }
  const Element* with_id(const std::string& id) const {
    if (attributes.count("id") && attributes.at("id") == id) return this;
    for (const auto& c : children) {
      if (const Element* e = c->with_id(id)) return e;
    }
    return nullptr;
  }
  double number(const std::string& attribute) const { return std::stod(attributes.at(attribute)); }
};

class XmlReader {
 public:
  explicit XmlReader(std::string_view text) : s_(text) {}

  // The root element; throws std::runtime_error naming the first fault.
  std::unique_ptr<Element> document() {
    if (s_.substr(0, 5) == "<?xml") {
      const std::size_t end = s_.find("?>");
      if (end == std::string_view::npos) fail("unterminated prolog");
      p_ = end + 2;
    }
    skip_space();
    auto root = element();
    skip_space();
    if (p_ != s_.size()) fail("text after the root element");
    return root;
  }

 private:
  [[noreturn]] void fail(const std::string& why) const {
    throw std::runtime_error(why + " at offset " + std::to_string(p_));
  }
  void skip_space() {
    while (p_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[p_]))) ++p_;
  }
  static bool name_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == ':' || c == '_' || c == '.';
  }
  std::string name() {
    const std::size_t b = p_;
    while (p_ < s_.size() && name_char(s_[p_])) ++p_;
    if (p_ == b) fail("a name expected");
    return std::string(s_.substr(b, p_ - b));
  }
  // Text or an attribute value up to stop: '<' may not appear, '&' must start a known reference.
  void characters(char stop) {
    while (p_ < s_.size() && s_[p_] != stop) {
      const char c = s_[p_];
      if (c == '<' && stop != '<') fail("'<' inside an attribute");
      if (c == '&') {
        const std::size_t semi = s_.find(';', p_);
        if (semi == std::string_view::npos) fail("unterminated reference");
        const std::string_view ref = s_.substr(p_ + 1, semi - p_ - 1);
        const bool known = ref == "amp" || ref == "lt" || ref == "gt" || ref == "quot" || ref == "apos" ||
                           (ref.size() > 1 && ref[0] == '#');
        if (!known) fail("unknown reference &" + std::string(ref) + ";");
        p_ = semi + 1;
        continue;
      }
      if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') fail("a control character");
      ++p_;
    }
  }
  std::unique_ptr<Element> element() {
    if (p_ >= s_.size() || s_[p_] != '<') fail("'<' expected");
    ++p_;
    auto e = std::make_unique<Element>();
    e->name = name();
    while (true) {
      skip_space();
      if (p_ >= s_.size()) fail("unterminated tag");
      if (s_.substr(p_, 2) == "/>") {
        p_ += 2;
        return e;
      }
      if (s_[p_] == '>') {
        ++p_;
        break;
      }
      const std::string attribute = name();
      skip_space();
      if (p_ >= s_.size() || s_[p_] != '=') fail("'=' expected");
      ++p_;
      skip_space();
      if (p_ >= s_.size() || s_[p_] != '"') fail("'\"' expected");
      const std::size_t b = ++p_;
      characters('"');
      if (p_ >= s_.size()) fail("unterminated attribute");
      if (e->attributes.count(attribute)) fail("attribute " + attribute + " twice");
      e->attributes[attribute] = std::string(s_.substr(b, p_ - b));
      ++p_;
    }
    while (true) {
      const std::size_t text_from = p_;
      characters('<');
      e->text += s_.substr(text_from, p_ - text_from);
      if (p_ >= s_.size()) fail("unterminated element " + e->name);
      if (s_.substr(p_, 2) == "</") {
        p_ += 2;
        if (name() != e->name) fail("mismatched end tag of " + e->name);
        skip_space();
        if (p_ >= s_.size() || s_[p_] != '>') fail("'>' expected");
        ++p_;
        return e;
      }
      e->children.push_back(element());
    }
  }

  std::string_view s_;
  std::size_t p_ = 0;
};

// The interpolated LAI file's series as laifit writes it: day, LAI and thermal time of every line.
struct Written {
  int day;
  double lai, tt;
};
std::vector<Written> series_of(const std::string& lai_file) {
  std::vector<Written> out;
  std::istringstream in(lai_file);
  int k = 0;
  for (std::string line; std::getline(in, line); ++k) {
    if (k < 8) continue;
    int num = 0, day = 0;
    double lai = 0, tt = 0;
    std::istringstream fields(line);
    fields >> num >> day >> lai >> tt;
    out.push_back({day, lai, tt});
  }
  return out;
}

// The example run by laifit itself, and inspected with both files asked for.
struct Example {
  RunFolder run;  // laifit's own run, for its interpolated LAI file
  RunFolder inspected;
  std::filesystem::path out = inspected.dir().parent_path();
  inspect::Outcome outcome;
  std::vector<Written> series;

  Example() {
    for (const auto& [name, content] : example_files()) {
      run.write(name, content);
      inspected.write(name, content);
    }
    EXPECT_EQ(run.run_in_process().status, 0);
    series = series_of(run.read("lai_interp.txt"));
    outcome = inspect_folder(inspected.dir(), out / "fit.csv", out / "fit.svg");
  }
};

// The example's observations from emergence on (day, LAI), as its table gives them.
std::map<int, double> observed_of_example() {
  std::map<int, double> obs{{110, 0.0}};  // the emergence point laifit adds
  std::istringstream in(example_files().at("obs2011.csv"));
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::istringstream c(line);
    for (std::string cell; std::getline(c, cell, ';');) cells.push_back(cell);
    const double lai = std::stod(cells[6]);
    if (lai >= 0) obs[std::stoi(cells[3])] = lai;
  }
  return obs;
}

TEST(Outputs, SvgIsWellFormedAndPointsAndLineLandWhereTheNumbersPutThem) {
  Example ex;
  ASSERT_EQ(ex.outcome.status, inspect::kClean) << ex.outcome.report << ex.outcome.errors;
  const std::string svg = slurp(ex.out / "fit.svg");
  std::unique_ptr<Element> root;
  ASSERT_NO_THROW(root = XmlReader(svg).document()) << svg.substr(0, 200);
  EXPECT_EQ(root->name, "svg");
  EXPECT_THROW(XmlReader("<svg><g></svg>").document(), std::runtime_error);  // the checker does check
  EXPECT_THROW(XmlReader("<svg a=\"1 & 2\"/>").document(), std::runtime_error);

  const Element* panel = root->with_id("lai-panel");
  ASSERT_NE(panel, nullptr);
  const double d0 = panel->number("data-day-min"), d1 = panel->number("data-day-max");
  const double left = panel->number("data-left"), right = panel->number("data-right");
  const double top = panel->number("data-top"), bottom = panel->number("data-bottom");
  const double lai_min = panel->number("data-lai-min"), lai_max = panel->number("data-lai-max");
  auto px = [&](double day) { return left + (day - d0) / (d1 - d0) * (right - left); };
  auto py = [&](double lai) { return bottom - (lai - lai_min) / (lai_max - lai_min) * (bottom - top); };
  // Coordinates are written with two decimals.
  constexpr double kRounding = 0.006;

  // Every observation from emergence on is a point, at its day and LAI.
  std::vector<const Element*> circles;
  panel->all("circle", circles);
  std::map<int, double> drawn;
  for (const Element* c : circles) {
    const double day = c->number("data-day"), lai = c->number("data-lai");
    drawn[static_cast<int>(day)] = lai;
    EXPECT_NEAR(c->number("cx"), px(day), kRounding);
    EXPECT_NEAR(c->number("cy"), py(lai), kRounding);
  }
  EXPECT_EQ(drawn, observed_of_example());

  // The fitted line has a vertex on every day of the LAI file's series, at its LAI.
  const Element* line = root->with_id("fitted-series");
  ASSERT_NE(line, nullptr);
  std::istringstream points(line->attributes.at("points"));
  std::size_t k = 0;
  for (std::string xy; points >> xy; ++k) {
    ASSERT_LT(k, ex.series.size());
    const double x = std::stod(xy.substr(0, xy.find(','))), y = std::stod(xy.substr(xy.find(',') + 1));
    EXPECT_NEAR(x, px(ex.series[k].day), kRounding);
    // The file shows the LAI with three decimals, and 0.000 where the curve drawn is at or below zero.
    if (ex.series[k].lai > 0)
      EXPECT_NEAR(y, py(ex.series[k].lai), kRounding + 0.0005 / (lai_max - lai_min) * (bottom - top));
    else
      EXPECT_GE(y, py(0) - kRounding);
  }
  EXPECT_EQ(k, ex.series.size());

  // Emergence and the end of the series are marked on their days.
  EXPECT_EQ(root->with_id("emergence")->number("data-day"), 110);
  EXPECT_EQ(root->with_id("series-end")->number("data-day"), ex.series.back().day);
}

TEST(Outputs, CsvHoldsEveryObservationAgainstTheFitInRfc4180) {
  Example ex;
  const std::string csv = slurp(ex.out / "fit.csv");
  ASSERT_FALSE(csv.empty());
  // Every record ends with CR LF, and no line feed stands alone.
  std::size_t records = 0;
  for (std::size_t p = 0; (p = csv.find('\n', p)) != std::string::npos; ++p, ++records) {
    ASSERT_GT(p, 0u);
    EXPECT_EQ(csv[p - 1], '\r');
  }
  EXPECT_EQ(csv.back(), '\n');
  std::istringstream in(csv);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line,
            "folder,line,day,date,thermal_time_degree_days,observed_lai_m2_per_m2,fitted_lai_m2_per_m2,"
            "residual_fitted_minus_observed,point\r");
  const auto observed = observed_of_example();
  std::map<int, int> table_line_of_day;
  {
    std::istringstream table(example_files().at("obs2011.csv"));
    int n = 1;
    for (std::string row; std::getline(table, row); ++n) {
      if (n > 1) table_line_of_day[std::stoi(row.substr(row.find(';', row.find(';', row.find(';') + 1) + 1) + 1))] = n;
    }
  }
  std::map<int, double> tt_of_day;
  for (const Written& w : ex.series) tt_of_day[w.day] = w.tt;
  std::size_t rows = 0;
  while (std::getline(in, line)) {
    line.pop_back();  // the CR
    std::vector<std::string> f;
    std::istringstream c(line);
    for (std::string cell; std::getline(c, cell, ',');) f.push_back(cell);
    if (line.back() == ',') f.emplace_back();
    ASSERT_EQ(f.size(), 9u) << line;
    f.erase(f.begin());  // the folder
    const int day = std::stoi(f[1]);
    ++rows;
    EXPECT_EQ(std::stod(f[4]), observed.at(day)) << line;
    // The line column is the table line of the row observed that day (empty for the added emergence point).
    EXPECT_EQ(f[0], day == 110 ? "" : std::to_string(table_line_of_day.at(day))) << line;
    // The LAI file shows the thermal time with one decimal.
    if (tt_of_day.count(day)) {
      EXPECT_NEAR(std::stod(f[3]), tt_of_day.at(day), 0.05 + 1e-9) << line;
    }
    EXPECT_NEAR(std::stod(f[6]), std::stod(f[5]) - std::stod(f[4]), 1e-6) << line;
    EXPECT_EQ(f[2].size(), 10u);  // yyyy-mm-dd
    // The emergence point that laifit adds has no line; an observation after the series' last day is
    // marked; the others are ordinary.
    const bool after = day > ex.series.back().day;
    EXPECT_EQ(f[7], f[0].empty() ? "emergence_added" : after ? "after_series" : "") << line;
    EXPECT_EQ(line.find(';'), std::string::npos);
  }
  EXPECT_EQ(rows, observed.size());
  EXPECT_EQ(records, rows + 1);
}

TEST(Outputs, TheExamplesPictureIsWhatTheInspectorDrawsNow) {
  RunFolder scratch;
  const auto drawn = scratch.dir() / "fit.svg";
  EXPECT_EQ(inspect_folder(LAIFIT_EXAMPLE_DIR, {}, drawn).status, inspect::kClean);
  EXPECT_TRUE(slurp(drawn) == slurp(std::filesystem::path(LAIFIT_EXAMPLE_DIR) / "fit.svg"))
      << "examples/season-2011/fit.svg is out of date: laifit-inspect --svg examples/season-2011/fit.svg "
         "examples/season-2011";
}

TEST(Outputs, AnOutputThatCannotBeWrittenEndsWithStatus2) {
  RunFolder folder;
  for (const auto& [name, content] : example_files()) folder.write(name, content);
  const inspect::Outcome out = inspect_folder(folder.dir(), folder.dir() / "no-such-folder" / "t.csv");
  EXPECT_EQ(out.status, inspect::kCannotInspect);
  EXPECT_NE(out.errors.find("cannot"), std::string::npos) << out.errors;
}

TEST(Outputs, AnOptionsFileThatIsAFileOfTheRunIsRefusedAndLeftAsItWas) {
  RunFolder folder;
  for (const auto& [name, content] : example_files()) folder.write(name, content);
  // A link to the table, where the system makes links (wine may not); the table itself otherwise.
  std::error_code no_link;
  std::filesystem::create_symlink("obs2011.csv", folder.dir() / "table-link", no_link);
  const auto before = snapshot(folder.dir());
  const std::filesystem::path d = folder.dir();
  struct Row {
    std::filesystem::path csv, svg;
    const char* said;
  };
  const Row rows[] = {
      {d / "param.soj", {}, "param.soj of the folder"},
      {{}, d / "beauce.2012", "the second climate file"},
      {d / (no_link ? "obs2011.csv" : "table-link"), {}, "the observation table"},
      {{}, d / "lai_interp.txt", "the interpolated LAI file"},
      {{}, d / "tempobs.txt", "a file that laifit writes"},
      {d / "out.svg", d / "out.svg", "also the file of --csv"},
  };
  for (const Row& r : rows) {
    const inspect::Outcome out = inspect_folder(d, r.csv, r.svg);
    EXPECT_EQ(out.status, inspect::kCannotInspect) << r.said;
    EXPECT_NE(out.errors.find(r.said), std::string::npos) << out.errors;
    EXPECT_EQ(snapshot(d), before) << r.said;
  }
}

// The width of a tick label at least: 7 units a character (the font's average is below 6).
double label_width(const std::string& s) {
  return 7.0 * static_cast<double>(std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// The left and right ends of a mark's label, and its baseline.
std::array<double, 3> label_span(const Element& mark) {
  std::vector<const Element*> texts;
  mark.all("text", texts);
  const Element& t = *texts.at(0);
  const double x = t.number("x"), w = label_width(t.text);
  const bool end = t.attributes.count("text-anchor") && t.attributes.at("text-anchor") == "end";
  return {end ? x - w : x, end ? x : x + w, t.number("y")};
}

TEST(Outputs, PicturesOfReferenceRunsShowTheCurveBelowZeroResidualsIntervalsAndReasons) {
  struct PictureCase {
    std::string name;  // a reference run, or "high-base": the example with a base temperature of 16 °C
    bool below_zero, intervals;
    std::string zero;  // the reason of the points of thermal time 0 away from emergence
  };
  const PictureCase cases[] = {{"f03_all_five", true, true, ""},
                               {"f07_idf_zero", true, false, ""},
                               {"f11_big_fit", false, true, ""},
                               {"f10_climate_gap", true, true, "no-climate-day"},
                               {"d04_valid_row_before_emergence", true, true, "before-emergence"},
                               {"f22_determinant_underflow", true, true, ""},
                               {"high-base", true, true, "below-base"}};
  for (const PictureCase& c : cases) {
    SCOPED_TRACE(c.name);
    RunFolder folder;
    Files files = c.name == "high-base" ? example_files() : case_files(c.name);
    if (c.name == "high-base") files["param.soj"] = with_line(files["param.soj"], 7, "16.0");
    for (const auto& [name, content] : files) folder.write(name, content);
    inspect::Options o;
    o.folder = folder.dir();
    o.keep_fit = o.keep_picture = true;
    const inspect::Outcome out = inspect::inspect(o);
    ASSERT_TRUE(out.fit);
    const inspect::FitView& fit = *out.fit;
    const auto root = XmlReader(out.svg).document();

    // The curve below zero: the band is there, and the curve's days below zero are drawn in it.
    const Element& lai = *root->with_id("lai-panel");
    const double lai_min = lai.number("data-lai-min"), lai_max = lai.number("data-lai-max");
    const double top = lai.number("data-top"), bottom = lai.number("data-bottom");
    EXPECT_EQ(root->with_id("below-zero") != nullptr, c.below_zero);
    EXPECT_EQ(lai_min < 0, c.below_zero);
    std::istringstream vertices(root->with_id("fitted-series")->attributes.at("points"));
    std::size_t k = 0;
    for (std::string xy; vertices >> xy; ++k) {
      const double y = std::stod(xy.substr(xy.find(',') + 1));
      const double curve = fit.series.at(k).curve;
      const double drawn = std::clamp(bottom - (curve - lai_min) / (lai_max - lai_min) * (bottom - top), top, bottom);
      EXPECT_NEAR(y, drawn, 0.006) << "day " << fit.series[k].day;
      if (curve < lai_min) {
        EXPECT_EQ(y, bottom);
      }
    }
    EXPECT_EQ(k, fit.series.size());

    // A residual for every observation, fitted - observed, on its panel's scale.
    const Element& res = *root->with_id("residual-panel");
    std::vector<const Element*> dots;
    res.all("circle", dots);
    ASSERT_EQ(dots.size(), fit.points.size());
    const double r_max = res.number("data-residual-max"), r_top = res.number("data-top"),
                 r_bottom = res.number("data-bottom");
    for (std::size_t i = 0; i < dots.size(); ++i) {
      const inspect::FitPoint& p = fit.points[i];
      EXPECT_EQ(std::stof(dots[i]->attributes.at("data-residual")), p.fitted - p.observed);
      const double residual = std::clamp<double>(p.fitted - p.observed, -r_max, r_max);
      EXPECT_NEAR(dots[i]->number("cy"), r_bottom - (residual + r_max) / (2 * r_max) * (r_bottom - r_top), 0.006);
    }

    // The estimator's interval at every observation when it has a standard deviation, around the fit.
    std::vector<const Element*> bars;
    root->with_id("intervals")->all("path", bars);
    EXPECT_EQ(bars.size(), c.intervals ? fit.points.size() : 0u);
    for (std::size_t i = 0; i < bars.size(); ++i) {
      const double lower = bars[i]->number("data-lower"), upper = bars[i]->number("data-upper");
      const double fitted = fit.points.at(i).fitted, slack = 1e-5 * (1 + std::fabs(fitted));
      EXPECT_LE(lower, fitted + slack);
      EXPECT_GE(upper, fitted - slack);
    }

    // Why thermal time is 0, on the lower panel's points.
    std::vector<const Element*> tt_dots;
    root->with_id("tt-panel")->all("circle", tt_dots);
    std::set<std::string> reasons;
    for (const Element* d : tt_dots) {
      if (!d->attributes.at("data-zero").empty()) reasons.insert(d->attributes.at("data-zero"));
    }
    EXPECT_EQ(reasons, c.zero.empty() ? std::set<std::string>{} : std::set<std::string>{c.zero});

    // The labels of emergence and of the series' end keep apart, on one row or on two.
    const auto a = label_span(*root->with_id("emergence")), b = label_span(*root->with_id("series-end"));
    EXPECT_TRUE(a[2] != b[2] || a[1] <= b[0] || b[1] <= a[0]) << a[0] << "-" << a[1] << " " << b[0] << "-" << b[1];

    // The number of warnings, and a title on every axis.
    const auto warnings = std::count_if(out.findings.begin(), out.findings.end(), [](const inspect::Finding& f) {
      return f.severity == inspect::Severity::warning;
    });
    EXPECT_EQ(root->with_id("warnings")->number("data-count"), static_cast<double>(warnings));
    std::vector<const Element*> texts;
    root->all("text", texts);
    std::multiset<std::string> titles;
    for (const Element* t : texts) titles.insert(t->text.substr(0, t->text.find(',')));
    for (const char* title : {"LAI (m²/m²)", "residual (m²/m²)", "thermal time (°Cd)"})
      EXPECT_EQ(titles.count(title), 1u);
    EXPECT_EQ(titles.count("date"), 3u);
  }
}

}  // namespace
}  // namespace laifit::testing
