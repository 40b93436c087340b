// Throughput of the record layer on the shapes the run writes most: the model adapter's screen line
// (written once per observation for every model evaluation), the daily series line of the LAI file
// and a panel line of the estimator's report. Output goes to a sink that only counts bytes, so the
// figures are those of formatting and buffering alone.

#include <benchmark/benchmark.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <span>
#include <vector>

#include "list_real_reference.hpp"
#include "records/edit.hpp"
#include "records/format.hpp"
#include "records/nine_digits.hpp"
#include "records/output.hpp"

namespace {

using laifit::Format;
using laifit::NullSink;
using laifit::OutputChannel;

// Thermal times and curve values of a plausible season: varied digits, every magnitude the lines show.
std::vector<float> season(float start, float step, std::size_t n) {
  std::vector<float> v(n);
  for (std::size_t k = 0; k < n; ++k) v[k] = start + step * static_cast<float>(k) + 0.0371f * static_cast<float>(k % 7);
  return v;
}

// "debug-  ", i, "nob", nob, par(1..5), npar, stemp(i): the line the model adapter writes per observation.
void ModelScreenLine(benchmark::State& state) {
  auto sink = std::make_unique<NullSink>();
  const NullSink& null = *sink;
  OutputChannel screen(6, "stdout", std::move(sink));
  const std::array<float, 5> par = {5.12345f, 0.0123457f, 812.5f, 0.00212f, 2650.75f};
  const std::vector<float> stemp = season(12.5f, 13.7f, 366);
  const std::int32_t nob = static_cast<std::int32_t>(stemp.size());
  std::int32_t i = 0;
  for (auto _ : state) {
    screen.write_list({"debug-  ", i + 1, "nob", nob, std::span<const float>(par), std::int32_t{5},
                       stemp[static_cast<std::size_t>(i)]});
    if (++i == nob) i = 0;
  }
  screen.flush();
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(null.bytes()));
  state.SetLabel("lines");
}
BENCHMARK(ModelScreenLine);

// One record of the interpolated LAI file per day.
void DailySeriesLine(benchmark::State& state) {
  auto sink = std::make_unique<NullSink>();
  const NullSink& null = *sink;
  OutputChannel out(12, "lai.txt", std::move(sink));
  const Format format("(i3,1x,i3,1x,f6.3,1x,f6.1)");
  const std::vector<float> lai = season(0.0f, 0.017f, 366);
  const std::vector<float> thermal = season(0.0f, 11.3f, 366);
  std::int32_t num = 0;
  for (auto _ : state) {
    const auto k = static_cast<std::size_t>(num);
    out.write(format, {num + 1, num + 100, lai[k], thermal[k]});
    if (++num == 366) num = 0;
  }
  out.flush();
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(null.bytes()));
  state.SetLabel("lines");
}
BENCHMARK(DailySeriesLine);

// Ten values in exponent form: a panel line of the report.
void ReportPanelLine(benchmark::State& state) {
  auto sink = std::make_unique<NullSink>();
  const NullSink& null = *sink;
  OutputChannel out(8, "adjust_lai.txt", std::move(sink));
  const Format format("(1x,10e12.4)");
  const std::vector<float> values = season(-3.5f, 0.731f, 10);
  for (auto _ : state) out.write(format, {std::span<const float>(values)});
  out.flush();
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(null.bytes()));
  state.SetLabel("lines");
}
BENCHMARK(ReportPanelLine);

// ---------------------------------------------------------------------------------------------------
// One free-format real at a time: the integer kernel against the std::to_chars path it replaced.

// What a fit prints: parameter values and thermal times spread evenly over the decades 1e-3 … 3000,
// one in eight a small negative (-1e-3 … -1).
std::vector<float> fit_values() {
  std::mt19937 rng(4242);
  std::uniform_real_distribution<double> decade(-3.0, std::log10(3000.0));
  std::uniform_real_distribution<double> small(-3.0, 0.0);
  std::vector<float> v(4096);
  for (std::size_t k = 0; k < v.size(); ++k) {
    const double magnitude = k % 8 == 7 ? std::pow(10.0, small(rng)) : std::pow(10.0, decade(rng));
    v[k] = k % 8 == 7 ? -static_cast<float>(magnitude) : static_cast<float>(magnitude);
  }
  return v;
}

// Any bit pattern but NaN and infinity (those two take neither path's arithmetic).
std::vector<float> random_patterns() {
  std::mt19937 rng(4243);
  std::uniform_int_distribution<std::uint32_t> bits;
  std::vector<float> v;
  while (v.size() < 4096) {
    const std::uint32_t u = bits(rng);
    if ((u & 0x7F800000u) != 0x7F800000u) v.push_back(std::bit_cast<float>(u));
  }
  return v;
}

template <void (*Edit)(laifit::TextBuffer&, float)>
void list_real_loop(benchmark::State& state, std::vector<float> (*make)()) {
  const std::vector<float> values = make();
  laifit::TextBuffer out(16 * values.size());
  for (auto _ : state) {
    out.clear();
    for (const float v : values) Edit(out, v);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}
void ListRealKernel(benchmark::State& state, std::vector<float> (*make)()) {
  list_real_loop<laifit::list_real>(state, make);
}
void ListRealToChars(benchmark::State& state, std::vector<float> (*make)()) {
  list_real_loop<laifit::reference::list_real>(state, make);
}
BENCHMARK_CAPTURE(ListRealKernel, fit_values, fit_values);
BENCHMARK_CAPTURE(ListRealToChars, fit_values, fit_values);
BENCHMARK_CAPTURE(ListRealKernel, random_bits, random_patterns);
BENCHMARK_CAPTURE(ListRealToChars, random_bits, random_patterns);

// The nine digits alone, without the layout of the field.
void NineDigitsKernel(benchmark::State& state, std::vector<float> (*make)()) {
  std::vector<float> values = make();
  for (float& v : values) {
    if (std::bit_cast<std::uint32_t>(v) << 1 == 0) v = 1.0f;  // the kernel takes no zero
  }
  for (auto _ : state) {
    for (const float v : values) benchmark::DoNotOptimize(laifit::nine_digits(v));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}
BENCHMARK_CAPTURE(NineDigitsKernel, fit_values, fit_values);
BENCHMARK_CAPTURE(NineDigitsKernel, random_bits, random_patterns);

}  // namespace

BENCHMARK_MAIN();
