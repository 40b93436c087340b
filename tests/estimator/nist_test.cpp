// The estimator as a general solver: a noise-free exponential, and the NIST StRD non-linear regression
// problems from both of their starting points, read from the reference data at run time.

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "laifit/estimator.hpp"
#include "recording_observer.hpp"

namespace laifit {
namespace {

const std::string kNist = LAIFIT_NIST_DIR;

struct Fit {
  std::vector<float> par;
  testing::RecordingObserver observer;
  EstimatorExit exit;
};

// Runs the estimator with the system's own settings (damping 0.01, factor 10, proportions 1e-4) and
// free signs.
Fit fit(const EstimatorModel& model, const std::vector<float>& y, const std::vector<float>& start, std::int32_t maxit,
        float tolerance) {
  const std::vector<float> steps(start.size(), 1.0e-4f);
  Fit out;
  const EstimatorResult result =
      estimate(model, {.observed = y, .start = start, .difference_steps = steps},
               {.sum_tolerance = tolerance, .parameter_tolerance = tolerance, .max_iterations = maxit}, out.observer);
  out.par = result.estimates;
  out.exit = result.exit;
  return out;
}

// A model given as y(b, x) in double, rounded once per observation.
using Curve = std::function<double(const std::vector<double>& b, double x)>;

EstimatorModel from_curve(Curve curve, std::vector<float> x) {
  return [curve = std::move(curve), x = std::move(x)](std::span<const float> par, std::span<float> ye) {
    const std::vector<double> b(par.begin(), par.end());
    for (std::size_t i = 0; i < ye.size(); ++i) ye[i] = static_cast<float>(curve(b, x[i]));
  };
}

TEST(Solver, RecoversANoiseFreeExponentialWellWithinTheParameterTolerance) {
  // y = 5 exp(-0.3 x), x = 1..20, rounded to float. The parameter test stops once the last step is at
  // most 1e-5 of each value. With a zero residual the error left after that step is the step times the
  // damping (lambda, 1e-3 and falling tenfold per iteration) plus the step times the error of the
  // forward-difference Jacobian (about 1e-4 relative): of order 1e-8. Below that lie the data's own
  // rounding and the single-precision arithmetic, a few 1e-8 for these well-conditioned pairs. So the
  // estimates must lie within 1e-6 of the true values, ten times tighter than the tolerance itself
  // (measured: within one unit in the last place).
  std::vector<float> x, y;
  for (int i = 1; i <= 20; ++i) {
    x.push_back(static_cast<float>(i));
    y.push_back(static_cast<float>(5.0 * std::exp(-0.3 * i)));
  }
  const Curve curve = [](const std::vector<double>& b, double t) { return b[0] * std::exp(-b[1] * t); };
  for (const std::vector<float>& start :
       {std::vector<float>{4.0f, 0.25f}, std::vector<float>{1.0f, 1.0f}, std::vector<float>{20.0f, 0.05f}}) {
    const Fit result = fit(from_curve(curve, x), y, start, 50, 1e-5f);
    EXPECT_NEAR(result.par[0] / 5.0, 1.0, 1e-6) << start[0] << " " << start[1];
    EXPECT_EQ(result.exit, EstimatorExit::parameters_converged);
    EXPECT_NEAR(result.par[1] / 0.3, 1.0, 1e-6) << start[0] << " " << start[1];
  }
}

// Least certified digits reached from start 1 and start 2, as measured: single precision and forward
// differences leave a few digits at best. kFails marks a start from which the fit ends far from the
// certified values (a known hard start, or a problem beyond single precision): there only a complete
// estimation is checked.
constexpr double kFails = -1.0;

struct Problem {
  const char* name;
  Curve curve;
  double floor[2];
};

struct Dataset {
  std::vector<double> start[2], certified;
  double certified_ssr = 0;
  std::vector<float> x, y;
};

double read_double(const std::string& text) { return std::stod(text); }
float read_float(const std::string& text) {
  float v = 0;
  std::from_chars(text.data(), text.data() + text.size(), v);
  return v;
}

Dataset load(const std::string& name) {
  std::ifstream in(kNist + "/" + name + ".dat");
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  Dataset d;
  int first_data = 0, last_data = 0;
  for (const std::string& line : lines) {
    if (const auto at = line.find("Data  "); at != std::string::npos && line.find("(lines") != std::string::npos) {
      std::sscanf(line.c_str() + line.find("(lines"), "(lines %d to %d)", &first_data, &last_data);
    }
    if (line.starts_with("Residual Sum of Squares:")) d.certified_ssr = read_double(line.substr(24));
    std::istringstream words(line);
    std::string b, eq, s1, s2, cert;
    if (words >> b >> eq >> s1 >> s2 >> cert && b.size() >= 2 && b[0] == 'b' && eq == "=") {
      d.start[0].push_back(read_double(s1));
      d.start[1].push_back(read_double(s2));
      d.certified.push_back(read_double(cert));
    }
  }
  for (int k = first_data; k >= 1 && k <= last_data && k <= static_cast<int>(lines.size()); ++k) {
    std::istringstream words(lines[k - 1]);
    std::string y, x;
    if (words >> y >> x) {
      d.y.push_back(read_float(y));
      d.x.push_back(read_float(x));
    }
  }
  return d;
}

// Certified digits reached: the least, over the parameters, of -log10 of the relative error; 0 for
// an estimate with no correct digit, and at most 8 (beyond single precision).
double digits(const std::vector<float>& estimate, const std::vector<double>& certified) {
  double least = 8.0;
  for (std::size_t k = 0; k < certified.size(); ++k) {
    const double error = std::fabs(estimate[k] - certified[k]) / std::fabs(certified[k]);
    const double d = error == 0 ? 8.0 : -std::log10(error);
    least = std::min(least, std::isnan(d) ? 0.0 : std::clamp(d, 0.0, 8.0));
  }
  return least;
}

const double kPi = 3.141592653589793238462643383279;

std::vector<Problem> problems() {
  using B = const std::vector<double>&;
  const Curve misra1a = [](B b, double x) { return b[0] * (1 - std::exp(-b[1] * x)); };
  const Curve lanczos = [](B b, double x) {
    return b[0] * std::exp(-b[1] * x) + b[2] * std::exp(-b[3] * x) + b[4] * std::exp(-b[5] * x);
  };
  const Curve gauss = [](B b, double x) {
    return b[0] * std::exp(-b[1] * x) + b[2] * std::exp(-(x - b[3]) * (x - b[3]) / (b[4] * b[4])) +
           b[5] * std::exp(-(x - b[6]) * (x - b[6]) / (b[7] * b[7]));
  };
  const Curve cubic_ratio = [](B b, double x) {
    return (b[0] + b[1] * x + b[2] * x * x + b[3] * x * x * x) / (1 + b[4] * x + b[5] * x * x + b[6] * x * x * x);
  };
  const Curve chwirut = [](B b, double x) { return std::exp(-b[0] * x) / (b[1] + b[2] * x); };
  return {
      {"Misra1a", misra1a, {3.9, 4.6}},
      {"Misra1b", [](B b, double x) { return b[0] * (1 - std::pow(1 + b[1] * x / 2, -2)); }, {5.1, 5.2}},
      {"Misra1c", [](B b, double x) { return b[0] * (1 - std::pow(1 + 2 * b[1] * x, -0.5)); }, {4.9, 5.1}},
      {"Misra1d", [](B b, double x) { return b[0] * b[1] * x / (1 + b[1] * x); }, {4.6, 4.1}},
      {"Chwirut1", chwirut, {3.1, 3.2}},
      {"Chwirut2", chwirut, {3.2, 3.0}},
      {"DanWood", [](B b, double x) { return b[0] * std::pow(x, b[1]); }, {4.6, 4.4}},
      {"Rat42", [](B b, double x) { return b[0] / (1 + std::exp(b[1] - b[2] * x)); }, {4.0, 4.0}},
      {"Rat43", [](B b, double x) { return b[0] / std::pow(1 + std::exp(b[1] - b[2] * x), 1 / b[3]); }, {2.7, 2.7}},
      {"BoxBOD", misra1a, {kFails, 3.8}},
      {"Eckerle4",
       [](B b, double x) { return b[0] / b[1] * std::exp(-0.5 * ((x - b[2]) / b[1]) * ((x - b[2]) / b[1])); },
       {kFails, 4.5}},
      {"MGH09", [](B b, double x) { return b[0] * (x * x + x * b[1]) / (x * x + x * b[2] + b[3]); }, {2.2, 2.1}},
      {"MGH10", [](B b, double x) { return b[0] * std::exp(b[1] / (x + b[2])); }, {kFails, 2.7}},
      {"MGH17",
       [](B b, double x) { return b[0] + b[1] * std::exp(-x * b[3]) + b[2] * std::exp(-x * b[4]); },
       {kFails, 2.8}},
      {"Kirby2",
       [](B b, double x) { return (b[0] + b[1] * x + b[2] * x * x) / (1 + b[3] * x + b[4] * x * x); },
       {3.0, 2.9}},
      {"Hahn1", cubic_ratio, {2.0, 2.5}},
      {"Thurber", cubic_ratio, {2.8, 2.9}},
      {"Lanczos1", lanczos, {0.4, 0.3}},
      {"Lanczos2", lanczos, {1.5, 0.5}},
      {"Lanczos3", lanczos, {0.4, kFails}},
      {"Gauss1", gauss, {5.1, 4.5}},
      {"Gauss2", gauss, {4.8, 4.4}},
      {"Gauss3", gauss, {4.4, 4.3}},
      {"Roszman1",
       [](B b, double x) { return b[0] - b[1] * x - std::atan(b[2] / (x - b[3])) / kPi; },
       {kFails, kFails}},
      {"Bennett5", [](B b, double x) { return b[0] * std::pow(b[1] + x, -1 / b[2]); }, {0.7, 0.9}},
      {"ENSO",
       [](B b, double x) {
         const double w = 2 * kPi * x;
         return b[0] + b[1] * std::cos(w / 12) + b[2] * std::sin(w / 12) + b[4] * std::cos(w / b[3]) +
                b[5] * std::sin(w / b[3]) + b[7] * std::cos(w / b[6]) + b[8] * std::sin(w / b[6]);
       },
       {1.6, 0.7}},
  };
}

// The certified parameters must reproduce the certified residual sum of squares (in double, from the
// data as printed); a copy that does not has a damaged certified value.
bool certified_values_consistent(const Problem& problem, const Dataset& d) {
  double ssr = 0;
  for (std::size_t i = 0; i < d.y.size(); ++i) {
    const double r = d.y[i] - problem.curve(d.certified, d.x[i]);
    ssr += r * r;
  }
  // Float data carry about 7 digits, so only a gross mismatch counts; a sum of squares near zero
  // (Lanczos1) cannot be reproduced from rounded data at all.
  return d.certified_ssr < 1e-20 || std::fabs(ssr / d.certified_ssr - 1) < 0.05;
}

TEST(Solver, ReachesTheMeasuredCertifiedDigitsOnNistProblems) {
  std::printf("%-10s %4s %5s  %-8s %-8s\n", "problem", "nob", "npar", "start 1", "start 2");
  for (const Problem& problem : problems()) {
    const Dataset d = load(problem.name);
    ASSERT_FALSE(d.y.empty()) << problem.name << " not found in " << kNist;
    ASSERT_EQ(d.start[0].size(), d.certified.size()) << problem.name;
    // This copy of Roszman1 gives b1 as 1.20196866396E-0 where the certified value is 2.0196866396E-01.
    const bool damaged = std::string(problem.name) == "Roszman1";
    EXPECT_EQ(certified_values_consistent(problem, d), !damaged) << problem.name;
    double reached[2];
    for (int s = 0; s < 2; ++s) {
      const std::vector<float> start(d.start[s].begin(), d.start[s].end());
      const Fit result = fit(from_curve(problem.curve, d.x), d.y, start, 500, 1e-6f);
      EXPECT_NE(result.exit, EstimatorExit::rejected) << problem.name;
      // A complete estimation: the statistics and the estimates reached, then the end.
      EXPECT_EQ(result.observer.count("normalising"), 1u) << problem.name;
      EXPECT_EQ(result.observer.count("estimates"), 1u) << problem.name;
      EXPECT_TRUE(result.observer.events.back().starts_with("finished ")) << problem.name;
      reached[s] = digits(result.par, d.certified);
      if (!damaged && problem.floor[s] != kFails) {
        EXPECT_GE(reached[s], problem.floor[s]) << problem.name << " start " << s + 1;
      }
    }
    std::printf("%-10s %4zu %5zu  %-8.3f %-8.3f%s\n", problem.name, d.y.size(), d.certified.size(), reached[0],
                reached[1], damaged ? "  (certified b1 damaged in this copy)" : "");
  }
}

}  // namespace
}  // namespace laifit
