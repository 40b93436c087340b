#include <algorithm>
#include <cmath>
#include <vector>

#include "driver/njan.hpp"
#include "inspect/outputs.hpp"
#include "inspect/text.hpp"

namespace laifit::inspect {
namespace {

// The layout, in SVG user units.
constexpr double kPictureWidth = 1000, kPictureHeight = 850;
constexpr double kLeft = 70, kRight = 740;         // every panel
constexpr double kLaiTop = 56, kLaiBottom = 370;   // LAI against the day
constexpr double kResTop = 430, kResBottom = 540;  // residuals at the observations
constexpr double kTtTop = 600, kTtBottom = 770;    // thermal time against the day
constexpr double kCharWidth = 6.5;                 // the widest average character of the 11 px font
constexpr double kLegendLeft = 750, kLegendRight = 995;

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string num(double v) { return fixed(v, 2); }

// A step of 1, 2 or 5 times a power of ten giving about `count` intervals over [0, top].
double nice_step(double top, int count) {
  const double raw = top / count;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 5.0, 10.0}) {
    if (m * power >= raw) return m * power;
  }
  return 10 * power;
}

// A linear map from a data range onto a pixel range.
struct Axis {
  double d0, d1, p0, p1;
  double operator()(double v) const { return p0 + (v - d0) / (d1 - d0) * (p1 - p0); }
};

std::string text(double x, double y, std::string_view s, std::string_view extra = "") {
  return cat("<text x=\"", num(x), "\" y=\"", num(y), "\"", extra.empty() ? "" : " ", extra, ">", escaped_xml(s),
             "</text>\n");
}

std::string line(double x1, double y1, double x2, double y2, std::string_view style) {
  return "<line x1=\"" + num(x1) + "\" y1=\"" + num(y1) + "\" x2=\"" + num(x2) + "\" y2=\"" + num(y2) + "\" " +
         std::string(style) + "/>\n";
}

// A grid line on the first day of each month between the two day numbers, labelled with the date (the
// year at the first label and at January) and, when day_numbers, the day number; over a long season
// every second or third month is labelled, so that the labels keep apart.
std::string day_axis(const Axis& x, double top, double bottom, std::int32_t sowing_year, bool day_numbers) {
  struct Tick {
    double day;
    int month;
    std::int32_t year;
  };
  std::vector<Tick> ticks;
  for (std::int64_t next = sowing_year; next <= next_year(sowing_year) && next <= INT32_MAX; ++next) {
    const auto year = static_cast<std::int32_t>(next);
    const int offset = year == sowing_year ? 0 : days_in_year(sowing_year);
    for (int m = 1; m <= 12; ++m) {
      const double day = njan(year, m, 1, 0) + offset;
      if (day >= x.d0 && day <= x.d1) ticks.push_back({day, m, year});
    }
  }
  constexpr double kLabelWidth = 70;  // of "1 Jan 2012" in the tick font
  std::size_t stride = 1;
  if (ticks.size() > 1) {
    const double spacing = x(ticks[1].day) - x(ticks[0].day);
    while (spacing * static_cast<double>(stride) < kLabelWidth && stride < 12) ++stride;
  }
  std::string out;
  for (std::size_t k = 0; k < ticks.size(); ++k) {
    const Tick& t = ticks[k];
    const double px = x(t.day);
    out += line(px, top, px, bottom, "class=\"grid\"");
    if (k % stride != 0) continue;
    std::string label = cat("1 ", kMonths[t.month - 1]);
    if (k == 0 || t.month <= static_cast<int>(stride)) label += cat(" ", std::to_string(t.year));
    out += text(px, bottom + 15, label, "class=\"tick\" text-anchor=\"middle\"");
    if (day_numbers)
      out += text(px, bottom + 29, cat("day ", fixed(t.day, 0)), "class=\"tick\" text-anchor=\"middle\"");
  }
  return out;
}

// Grid lines and labels on every whole step from the axis' lower end to its upper one.
std::string value_axis(const Axis& y, double step, double left, double right, int decimals) {
  std::string out;
  const auto first = static_cast<long long>(std::ceil(y.d0 / step - 1e-9));
  const auto last = static_cast<long long>(std::floor(y.d1 / step + 1e-9));
  for (long long k = first; k <= last; ++k) {
    const double v = static_cast<double>(k) * step;
    const double py = y(v);
    out += line(left, py, right, py, "class=\"grid\"");
    out += text(left - 6, py + 4, fixed(v, decimals), "class=\"tick\" text-anchor=\"end\"");
  }
  return out;
}

int decimals_of(double step) { return step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step))); }

// The picture's scales: days across, LAI in the upper panel (below zero too when the curve goes there),
// residuals in the middle one and thermal time in the lower one.
struct Scales {
  Axis x, y, yr, yt;
  double lai_step = 0, lai_top = 0, lai_bottom = 0, res_step = 0, res_top = 0, tt_step = 0, tt_top = 0;
};

// The LAI range: every observation, fitted value, interval bound and day of the curve.
std::array<double, 2> lai_range(const FitView& fit) {
  double low = 0, high = 0;
  const auto take = [&](double v) {
    if (!std::isfinite(v)) return;
    low = std::min(low, v);
    high = std::max(high, v);
  };
  for (const FitPoint& p : fit.points) {
    take(p.observed);
    take(p.fitted);
    if (p.interval) {
      take((*p.interval)[0]);
      take((*p.interval)[1]);
    }
  }
  for (const SeriesDay& d : fit.series) {
    take(d.lai);
    take(d.curve);
  }
  return {low, high};
}

// An axis of whole steps over [low, high] with a margin; the part below zero is at most as long as the
// part above it, so that a curve that dives far below zero does not flatten the rest (lower values are
// drawn on the frame).
void value_scale(double low, double high, int count, double& step, double& bottom, double& top) {
  high = std::max(high, 0.5) * 1.05;
  low = std::max(low * 1.05, -high);
  step = nice_step(high - low, count);
  top = step * std::ceil(high / step);
  // A small dip below zero takes half a step, a deeper one whole steps.
  bottom = low >= 0 ? 0.0 : low >= -step / 2 ? -step / 2 : step * std::floor(low / step);
}

Scales scales_of(const FitView& fit) {
  // The day range: emergence, every observation and the whole series, with a margin.
  double first_day = fit.emergence, last_day = fit.emergence;
  double top_tt = 0, top_res = 0;
  for (const FitPoint& p : fit.points) {
    first_day = std::min<double>(first_day, p.day);
    last_day = std::max<double>(last_day, p.day);
    if (std::isfinite(p.thermal_time)) top_tt = std::max<double>(top_tt, p.thermal_time);
    if (std::isfinite(p.residual)) top_res = std::max<double>(top_res, std::fabs(p.residual));
  }
  for (const SeriesDay& d : fit.series) {
    last_day = std::max<double>(last_day, d.day);
    if (std::isfinite(d.thermal_time)) top_tt = std::max<double>(top_tt, d.thermal_time);
  }
  const double margin = std::max(3.0, (last_day - first_day) * 0.03);
  Scales s;
  s.x = Axis{first_day - margin, last_day + margin, kLeft, kRight};
  const auto [low, high] = lai_range(fit);
  value_scale(low, high, 6, s.lai_step, s.lai_bottom, s.lai_top);
  s.y = Axis{s.lai_bottom, s.lai_top, kLaiBottom, kLaiTop};
  s.res_step = nice_step(std::max(top_res, 0.05) * 1.05, 2);
  s.res_top = s.res_step * std::ceil(std::max(top_res, 0.05) * 1.05 / s.res_step);
  s.yr = Axis{-s.res_top, s.res_top, kResBottom, kResTop};
  s.tt_step = nice_step(std::max(top_tt, 10.0) * 1.05, 4);
  s.tt_top = s.tt_step * std::ceil(std::max(top_tt, 10.0) * 1.05 / s.tt_step);
  s.yt = Axis{0, s.tt_top, kTtBottom, kTtTop};
  return s;
}

// Values beyond the axes (a negative or infinite LAI) are drawn on the frame.
double clamp_y(const Axis& a, double v) {
  return std::clamp(std::isfinite(v) ? a(v) : (v > 0 ? a.p1 : a.p0), std::min(a.p0, a.p1), std::max(a.p0, a.p1));
}

std::string frame(double top, double bottom, std::string_view label) {
  return "<rect class=\"frame\" x=\"" + num(kLeft) + "\" y=\"" + num(top) + "\" width=\"" + num(kRight - kLeft) +
         "\" height=\"" + num(bottom - top) + "\"/>\n" +
         text(18, (top + bottom) / 2, label,
              "class=\"label\" text-anchor=\"middle\" transform=\"rotate(-90 18 " + num((top + bottom) / 2) + ")\"");
}

// The title of a panel's day axis, under its tick labels.
std::string day_title(double y, std::string_view title) {
  return text((kLeft + kRight) / 2, y, title, "class=\"label\" text-anchor=\"middle\"");
}

// The width of a tick label: its characters (not its bytes) at the font's widest average.
double width_of(std::string_view s) {
  const auto continuation = std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) == 0x80; });
  return static_cast<double>(static_cast<std::ptrdiff_t>(s.size()) - continuation) * kCharWidth;
}

// A label beside a dashed line: right of it, or left of it when it would cross the panel's right edge;
// `row` counts lines down from the panel's top.
struct MarkLabel {
  double line = 0, from = 0, to = 0;
  int row = 0;
  std::string text;
  bool left() const { return to <= line; }
};

MarkLabel mark_label(double px, std::string label) {
  const double w = width_of(label);
  if (px + 4 + w <= kRight) return MarkLabel{px, px + 4, px + 4 + w, 0, std::move(label)};
  return MarkLabel{px, px - 4 - w, px - 4, 0, std::move(label)};
}

// A dashed line across the three panels on a day, labelled in the upper one.
std::string mark(const Axis& x, double day, const MarkLabel& l, const char* id) {
  const double px = x(day);
  std::string out = "<g id=\"" + std::string(id) + "\" data-day=\"" + num(day) + "\">\n";
  for (const auto& [top, bottom] : {std::pair{kLaiTop, kLaiBottom}, {kResTop, kResBottom}, {kTtTop, kTtBottom}}) {
    out += line(px, top, px, bottom, "class=\"mark\"");
  }
  out += text(l.left() ? l.to : l.from, kLaiTop + 14 + 16 * l.row, l.text,
              l.left() ? "class=\"tick\" text-anchor=\"end\"" : "class=\"tick\"");
  return out + "</g>\n";
}

// Emergence and the end of the series, with their labels on two rows when they would overlap.
std::string marks(const FitView& fit, const Axis& x) {
  MarkLabel emergence = mark_label(x(fit.emergence), "emergence " + dmy(date_of_day(fit.sowing_year, fit.emergence)));
  std::string out;
  if (!fit.series.empty()) {
    const SeriesDay& end = fit.series.back();
    const std::string why = fit.end == FitView::End::back_to_zero  ? "curve back to zero"
                            : fit.end == FitView::End::climate_end ? "end of the climate data"
                                                                   : "end of the day table";
    MarkLabel ends = mark_label(x(end.day), "series ends " + dmy(date_of_day(fit.sowing_year, end.day)) + ": " + why);
    if (ends.from < emergence.to + 8 && emergence.from < ends.to + 8) ends.row = 1;
    out = mark(x, end.day, ends, "series-end");
  }
  return mark(x, fit.emergence, emergence, "emergence") + out;
}

// How a point of each kind of thermal time is drawn: its dot's class, its data-zero and, for a thermal
// time 0 away from emergence, the reason the legend gives; in the order of FitPoint::Zero.
struct ZeroStyle {
  const char* dot;
  const char* data;
  const char* reason;
};

const ZeroStyle& style_of(FitPoint::Zero z) {
  static constexpr ZeroStyle kStyles[] = {{"obs", "", ""},
                                          {"early", "before-emergence", "before emergence"},
                                          {"zero", "no-climate-day", "no climate record"},
                                          {"cold", "below-base", "below base so far"}};
  return kStyles[static_cast<std::size_t>(z)];
}

// The class of a point's dot: the added emergence point hollow, points of thermal time 0 by their reason.
const char* dot_class(const FitPoint& p) { return p.line == 0 ? "added" : style_of(p.zero).dot; }

// The band below zero, where the LAI file writes 0.000 for the curve, and the zero line that bounds it.
std::string below_zero(const Scales& sc) {
  if (sc.lai_bottom >= 0) return "";
  const double zero = sc.y(0);
  return "<g id=\"below-zero\" data-lai-min=\"" + num(sc.lai_bottom) + "\">\n<rect class=\"below\" x=\"" + num(kLeft) +
         "\" y=\"" + num(zero) + "\" width=\"" + num(kRight - kLeft) + "\" height=\"" + num(kLaiBottom - zero) +
         "\"/>\n" + line(kLeft, zero, kRight, zero, "class=\"zero-line\"") +
         text(kLeft + 6, zero + 14, "below 0: the LAI file writes 0.000", "class=\"tick\"") + "</g>\n";
}

// The estimator's interval of each fitted value, as a bar with caps at the observation's day.
std::string intervals(const FitView& fit, const Scales& sc) {
  std::string out = "<g id=\"intervals\">\n";
  for (const FitPoint& p : fit.points) {
    if (!p.interval) continue;
    const auto [lower, upper] = *p.interval;
    const std::string px = num(sc.x(p.day)), l = num(sc.x(p.day) - 3), r = num(sc.x(p.day) + 3);
    const std::string lo = num(clamp_y(sc.y, lower)), hi = num(clamp_y(sc.y, upper));
    out += "<path class=\"interval\" data-day=\"" + std::to_string(p.day) + "\" data-lower=\"" + shortest(lower) +
           "\" data-upper=\"" + shortest(upper) + "\" d=\"M" + l + " " + lo + "H" + r + "M" + px + " " + lo + "V" + hi +
           "M" + l + " " + hi + "H" + r + "\"/>\n";
  }
  return out + "</g>\n";
}

std::string lai_panel(const FitView& fit, const Scales& sc) {
  const Axis& x = sc.x;
  std::string s = "<g id=\"lai-panel\" data-day-min=\"" + num(x.d0) + "\" data-day-max=\"" + num(x.d1) +
                  "\" data-lai-min=\"" + num(sc.lai_bottom) + "\" data-lai-max=\"" + num(sc.lai_top) +
                  "\" data-left=\"" + num(kLeft) + "\" data-right=\"" + num(kRight) + "\" data-top=\"" + num(kLaiTop) +
                  "\" data-bottom=\"" + num(kLaiBottom) + "\">\n";
  s += below_zero(sc);
  s += day_axis(x, kLaiTop, kLaiBottom, fit.sowing_year, false);
  s += value_axis(sc.y, sc.lai_step, kLeft, kRight, decimals_of(sc.lai_step));
  s += frame(kLaiTop, kLaiBottom, "LAI (m²/m²)");
  s += day_title(kLaiBottom + 32, "date");
  std::string points;
  for (const SeriesDay& d : fit.series) points += num(x(d.day)) + "," + num(clamp_y(sc.y, d.curve)) + " ";
  if (!points.empty()) points.pop_back();
  s += "<polyline class=\"fit\" id=\"fitted-series\" points=\"" + points + "\"/>\n";
  s += intervals(fit, sc);
  for (const FitPoint& p : fit.points) {
    s += "<circle class=\"" + std::string(dot_class(p)) + "\" data-day=\"" + std::to_string(p.day) + "\" data-lai=\"" +
         shortest(p.observed) + "\" data-line=\"" + std::to_string(p.line) + "\" cx=\"" + num(x(p.day)) + "\" cy=\"" +
         num(clamp_y(sc.y, p.observed)) + "\" r=\"4.5\"/>\n";
  }
  return s + "</g>\n";
}

// Residuals (fitted - observed) as stems from the zero line at each observation.
std::string residual_panel(const FitView& fit, const Scales& sc) {
  const Axis& x = sc.x;
  std::string s = "<g id=\"residual-panel\" data-residual-max=\"" + num(sc.res_top) + "\" data-top=\"" + num(kResTop) +
                  "\" data-bottom=\"" + num(kResBottom) + "\">\n";
  s += text(kLeft, kResTop - 8, "residual = fitted − observed, at each observation", "class=\"label\"");
  s += day_axis(x, kResTop, kResBottom, fit.sowing_year, false);
  s += value_axis(sc.yr, sc.res_step, kLeft, kRight, decimals_of(sc.res_step));
  s += line(kLeft, sc.yr(0), kRight, sc.yr(0), "class=\"zero-line\"");
  s += frame(kResTop, kResBottom, "residual (m²/m²)");
  s += day_title(kResBottom + 32, "date");
  for (const FitPoint& p : fit.points) {
    const double px = x(p.day), py = clamp_y(sc.yr, p.residual);
    s += line(px, sc.yr(0), px, py, "class=\"stem\"");
    s += "<circle class=\"" + std::string(dot_class(p)) + "\" data-day=\"" + std::to_string(p.day) +
         "\" data-residual=\"" + shortest(p.residual) + "\" cx=\"" + num(px) + "\" cy=\"" + num(py) +
         "\" r=\"3.5\"/>\n";
  }
  return s + "</g>\n";
}

std::string tt_panel(const FitView& fit, const Scales& sc) {
  const Axis& x = sc.x;
  std::string s = "<g id=\"tt-panel\" data-tt-max=\"" + num(sc.tt_top) + "\" data-top=\"" + num(kTtTop) +
                  "\" data-bottom=\"" + num(kTtBottom) + "\">\n";
  s += day_axis(x, kTtTop, kTtBottom, fit.sowing_year, true);
  s += value_axis(sc.yt, sc.tt_step, kLeft, kRight, 0);
  s += frame(kTtTop, kTtBottom, "thermal time (°Cd)");
  std::string tt_points;
  for (const SeriesDay& d : fit.series) tt_points += num(x(d.day)) + "," + num(clamp_y(sc.yt, d.thermal_time)) + " ";
  if (!tt_points.empty()) tt_points.pop_back();
  s += "<polyline class=\"tt\" id=\"thermal-time\" points=\"" + tt_points + "\"/>\n";
  for (const FitPoint& p : fit.points) {
    s += "<circle class=\"" + std::string(style_of(p.zero).dot) + "\" data-day=\"" + std::to_string(p.day) +
         "\" data-tt=\"" + shortest(p.thermal_time) + "\" data-zero=\"" + style_of(p.zero).data + "\" cx=\"" +
         num(x(p.day)) + "\" cy=\"" + num(clamp_y(sc.yt, p.thermal_time)) + "\" r=\"3.5\"/>\n";
  }
  s += day_title(kTtBottom + 50, "date, and day number counted from 1 January " + std::to_string(fit.sowing_year));
  return s + "</g>\n";
}

// The legend's lines, written from its top down; y is where the next line goes.
struct Legend {
  std::string s;
  double y = kLaiTop + 22;
  const double x = kLegendLeft + 12;

  void line_of(const std::string& t, std::string_view extra = "class=\"label\"") {
    s += text(x, y, t, extra);
    y += 17;
  }
  void symbol(const std::string& shape, const std::string& label) {
    s += shape;
    s += text(x + 16, y, label, "class=\"label\"");
    y += 17;
  }
  std::string dot(const char* cls) const {
    return "<circle class=\"" + std::string(cls) + "\" cx=\"" + num(x + 5) + "\" cy=\"" + num(y - 4) +
           "\" r=\"4.5\"/>\n";
  }
};

void legend_symbols(const FitView& fit, Legend& l) {
  const auto any = [&](auto test) { return std::any_of(fit.points.begin(), fit.points.end(), test); };
  l.symbol(l.dot("obs"), "observed LAI");
  l.symbol(line(l.x, l.y - 4, l.x + 12, l.y - 4, "class=\"fit\""), "fitted curve, day by day");
  if (any([](const FitPoint& p) { return p.interval.has_value(); })) {
    l.symbol(line(l.x + 6, l.y - 12, l.x + 6, l.y + 2, "class=\"interval\""), "fitted value ± 2 s.e. (estimator)");
  }
  l.symbol(line(l.x, l.y - 4, l.x + 12, l.y - 4, "class=\"tt\""), "thermal time");
  l.symbol(line(l.x + 6, l.y - 12, l.x + 6, l.y + 2, "class=\"mark\""), "emergence, end of the series");
  if (any([](const FitPoint& p) { return p.line == 0; })) l.symbol(l.dot("added"), "emergence point added (LAI 0)");
  // Thermal time 0 away from emergence, by its reason.
  for (const auto zero :
       {FitPoint::Zero::before_emergence, FitPoint::Zero::no_climate_day, FitPoint::Zero::below_base}) {
    if (!any([zero](const FitPoint& p) { return p.zero == zero && p.line != 0; })) continue;
    l.symbol(l.dot(style_of(zero).dot), cat(style_of(zero).reason, ": thermal time 0"));
  }
}

void legend_figures(const FitView& fit, Legend& l) {
  l.y += 10;
  l.line_of("Parameters", "class=\"label\" font-weight=\"bold\"");
  for (std::size_t k = 0; k < 5; ++k) {
    l.line_of(cat("p", std::to_string(k + 1), " = ", significant(fit.used[k], 6),
                  fit.estimated[k] ? "  (fitted)" : "  (held)"));
  }
  l.y += 10;
  l.line_of("Agreement", "class=\"label\" font-weight=\"bold\"");
  l.line_of("RMSE " + significant(fit.rmse, 4) + "   bias " + significant(fit.bias, 3));
  if (fit.r2)
    l.line_of("R² " + fixed(*fit.r2, 4) + "   n = " + std::to_string(fit.points.size()));
  else
    l.line_of("n = " + std::to_string(fit.points.size()));
  l.y += 10;
  l.line_of("Estimator", "class=\"label\" font-weight=\"bold\"");
  // The exit in words, a few per line.
  const std::string words = exit_words(fit.estimator);
  std::size_t p = 0;
  while (p < words.size()) {
    std::size_t end = std::min(words.size(), p + 34);
    if (end < words.size()) {
      const std::size_t space = words.rfind(' ', end);
      if (space != std::string::npos && space > p) end = space;
    }
    l.line_of(words.substr(p, end - p), "class=\"tick\"");
    p = end + (end < words.size() && words[end] == ' ' ? 1 : 0);
  }
  if (fit.series.empty()) return;
  const SeriesDay& a = fit.series.front();
  const SeriesDay& b = fit.series.back();
  l.y += 10;
  l.line_of("LAI series", "class=\"label\" font-weight=\"bold\"");
  l.line_of(cat(dmy(date_of_day(fit.sowing_year, a.day)), " to ", dmy(date_of_day(fit.sowing_year, b.day))),
            "class=\"tick\"");
  l.line_of(cat(std::to_string(fit.series.size()), " days, to ", fixed(b.thermal_time, 1), " °Cd"), "class=\"tick\"");
}

// The legend: symbols, parameters, agreement, the estimator's exit and the series, in a box as high as
// its lines.
std::string legend(const FitView& fit) {
  Legend l;
  legend_symbols(fit, l);
  legend_figures(fit, l);
  const std::string box = "<g id=\"legend\">\n<rect class=\"legend\" x=\"" + num(kLegendLeft) + "\" y=\"" +
                          num(kLaiTop) + "\" width=\"" + num(kLegendRight - kLegendLeft) + "\" height=\"" +
                          num(std::min(kTtBottom, l.y) - kLaiTop) + "\"/>\n";
  return box + l.s + "</g>\n";
}

}  // namespace

std::string svg_text(const FitView& fit, const std::string& title, std::size_t warnings) {
  std::string s;
  s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  s += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(kPictureWidth) + "\" height=\"" +
       num(kPictureHeight) + "\" viewBox=\"0 0 " + num(kPictureWidth) + " " + num(kPictureHeight) +
       "\" font-family=\"sans-serif\" font-size=\"12\">\n";
  s += "<style>.grid{stroke:#dddddd;stroke-width:1}.tick{fill:#444444;font-size:11px}"
       ".frame{fill:none;stroke:#444444;stroke-width:1}.fit{fill:none;stroke:#c0392b;stroke-width:2}"
       ".tt{fill:none;stroke:#27855a;stroke-width:2}.obs{fill:#1f5fa8;stroke:#ffffff;stroke-width:1}"
       ".added{fill:#ffffff;stroke:#1f5fa8;stroke-width:1.5}.zero{fill:#e67e22;stroke:#7a3d00;stroke-width:1}"
       ".mark{stroke:#555555;stroke-width:1;stroke-dasharray:5,4}.label{fill:#222222}"
       ".legend{fill:#fafafa;stroke:#bbbbbb}.early{fill:#f1c40f;stroke:#7a6400;stroke-width:1}"
       ".cold{fill:#8e44ad;stroke:#3d1a4d;stroke-width:1}.interval{fill:none;stroke:#c0392b;stroke-width:1.2}"
       ".stem{stroke:#888888;stroke-width:1}.zero-line{stroke:#444444;stroke-width:1.5}.below{fill:#fbeeee}"
       ".warn{fill:#b03a2e;font-weight:bold}</style>\n";
  s += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
  s += text(kLeft, 30, title, "font-size=\"16\" font-weight=\"bold\" class=\"label\"");
  s += "<g id=\"warnings\" data-count=\"" + std::to_string(warnings) + "\">\n" +
       text(kLegendRight, 30,
            warnings == 0 ? "no warnings" : cat(count_of(warnings, "warning", "warnings"), ": see the report"),
            warnings == 0 ? "class=\"label\" text-anchor=\"end\"" : "class=\"warn\" text-anchor=\"end\"") +
       "</g>\n";
  if (!fit.fitted || (fit.points.empty() && fit.series.empty())) {
    s += text(kLeft, 80, "laifit makes no fit for these inputs: see the report of laifit-inspect.", "class=\"label\"");
    return s + "</svg>\n";
  }
  const Scales sc = scales_of(fit);
  return s + lai_panel(fit, sc) + residual_panel(fit, sc) + tt_panel(fit, sc) + marks(fit, sc.x) + legend(fit) +
         "</svg>\n";
}

}  // namespace laifit::inspect
