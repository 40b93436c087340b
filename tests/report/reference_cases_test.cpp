// Rebuilds the fit of every recorded reference run in-process: the observation series and starting
// values come from the run's trace file, the growth curve is a local copy of the system's, and the
// estimator's report, its trace lines and every model call (the screen's debug lines) must come out
// byte for byte as recorded.

#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "capture.hpp"
#include "numeric/exp.hpp"
#include "platform/read_file.hpp"
#include "records/fpflags.hpp"
#include "report/haus.hpp"

namespace laifit {
namespace {

namespace fs = std::filesystem;

const fs::path kCases = LAIFIT_CASES_DIR;

std::string slurp(const fs::path& path) { return platform::read_file(path).value_or(""); }

std::vector<std::string> split_records(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

std::vector<std::string> words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

// Reals as the trace shows them (nine significant digits) go straight to the nearest float.
float to_float(const std::string& text) {
  float value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) throw std::runtime_error("not a real: " + text);
  return value;
}

// What one reference run hands to the estimator.
struct FitInput {
  std::array<int, 5> icod{};
  std::array<float, 5> var{};
  std::vector<float> stemp, yob;
  std::string trace;  // the estimator's own trace lines
};

FitInput read_fit_input(const fs::path& dir) {
  FitInput in;
  const std::vector<std::string> lines = split_records(slurp(dir / "out" / "test.txt"));
  int parameter = 0;
  std::size_t series = 0, call = 0, back = 0;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const std::vector<std::string> w = words(lines[k]);
    if (w.size() == 3 && w[0] == "parameters" && parameter < 5) {
      in.icod[parameter] = std::stoi(w[1]);
      in.var[parameter++] = to_float(w[2]);
    }
    if (lines[k].starts_with(" fin de lecture annee")) series = k + 1;
    if (lines[k].starts_with(" avant appel a haus")) call = k;
    if (lines[k] == " apres haus") back = k;
  }
  if (parameter != 5 || series == 0 || call == 0 || back <= call) throw std::runtime_error("unexpected trace");
  for (std::size_t k = series; k < call; ++k) {
    const std::vector<std::string> w = words(lines[k]);
    in.stemp.push_back(to_float(w.at(1)));
    in.yob.push_back(to_float(w.at(2)));
  }
  for (std::size_t k = call + 1; k < back; ++k) in.trace += lines[k] + "\r\n";
  return in;
}

float store(double x) { return static_cast<float>(x); }

// The growth curve with its six stored roundings and the project's own exponential, as laifit evaluates it.
float curve(const std::array<float, 5>& p, float t) {
  const float a = store(-(double(p[1]) * (double(t) - p[2])));
  const float e1 = store(numeric::exp_cr(double(a)));
  const float g = store(1.0 / (1.0 + e1));
  const float b = store(double(p[3]) * (double(t) - p[4]));
  const float e2 = store(numeric::exp_cr(double(b)));
  return store(double(p[0]) * (double(g) - e2));
}

// The model adapter: unpacks the estimated parameters, writes the debug lines on the screen.
EstimatorModel lai_model(const FitInput& in, OutputChannel& screen, int nbpar) {
  return [&in, &screen, nbpar](std::span<const float> par, std::span<float> ye) {
    const auto nob = static_cast<std::int32_t>(ye.size());
    const auto npar = static_cast<std::int32_t>(par.size());
    screen.write_list({"debug-  appel de model"});
    screen.write_list({"debug-  ajustement", nbpar, " parametres"});
    std::array<float, 5> p{};
    for (std::size_t k = 0, j = 0; k < 5; ++k) p[k] = in.icod[k] == 1 ? par[j++] : in.var[k];
    for (std::int32_t i = 0; i < nob; ++i) {
      screen.write_list({"debug-  ", i + 1, "nob", nob, par, npar, in.stemp[i]});
      ye[i] = curve(p, in.stemp[i]);
    }
  };
}

std::vector<std::string> fitted_cases() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(kCases, error)) {
    const fs::path trace = entry.path() / "out" / "test.txt";
    if (fs::exists(trace) && slurp(trace).find(" avant appel a haus") != std::string::npos) {
      names.push_back(entry.path().filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string flag_names(const FpFlags& f) {
  std::string s;
  if (f.invalid) s += " IEEE_INVALID_FLAG";
  if (f.divide_by_zero) s += " IEEE_DIVIDE_BY_ZERO";
  if (f.overflow) s += " IEEE_OVERFLOW_FLAG";
  if (f.underflow) s += " IEEE_UNDERFLOW_FLAG";
  if (f.denormal) s += " IEEE_DENORMAL";
  return s;
}

class ReferenceCase : public ::testing::TestWithParam<std::string> {};

TEST_P(ReferenceCase, ReproducesReportTraceAndModelCallsByteForByte) {
  const fs::path dir = kCases / GetParam();
  const FitInput in = read_fit_input(dir);
  int npar = 0;
  std::vector<float> par;
  for (int k = 0; k < 5; ++k) {
    npar += in.icod[k];
    if (in.icod[k] == 1) par.push_back(in.var[k]);
  }
  par.resize(5);
  const std::vector<float> signs(5, 1.0f);
  const auto nob = static_cast<std::int32_t>(in.yob.size());
  std::vector<float> work(static_cast<std::size_t>(workspace_size(5, 366)));
  float errc = 1.0e-5f;

  testing::Captured io(0);
  const EstimatorModel model = lai_model(in, io.screen, npar);
  clear_fp_flags();
  haus(1, model, nob, in.yob, npar, par, signs, 50, errc, 1.0e-5f, work, io.out);
  const FpFlags raised = raised_fp_flags();

  EXPECT_EQ(io.report_text(), slurp(dir / "out" / "adjust_lai.txt"));
  EXPECT_EQ(io.trace_text(), in.trace);
  // The screen holds the info line of the run driver, then what the fit wrote.
  const std::string stdout_text = slurp(dir / "stdout");
  const std::string screen = io.screen_text();
  const std::size_t first = stdout_text.find("\r\n") + 2;
  EXPECT_EQ(screen.size(), stdout_text.size() - first);
  EXPECT_TRUE(screen == stdout_text.substr(first)) << "the model calls differ from the recorded screen";

  // The flags raised by the fit are among those the whole run reported.
  const std::string stderr_text = slurp(dir / "stderr");
  const std::string raised_names = flag_names(raised);
  for (const std::string& name : words(raised_names)) {
    EXPECT_NE(stderr_text.find(name), std::string::npos) << name << " raised, but the run reported:\n" << stderr_text;
  }
  RecordProperty("flags", raised_names);
}

INSTANTIATE_TEST_SUITE_P(Runs, ReferenceCase, ::testing::ValuesIn(fitted_cases()),
                         [](const ::testing::TestParamInfo<std::string>& run) { return run.param; });

TEST(ReferenceCases, AreFoundBesideTheClone) { EXPECT_GE(fitted_cases().size(), 40u) << kCases; }

}  // namespace
}  // namespace laifit
