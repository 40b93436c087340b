// Throughput of the record layer on the shapes the run writes most: the model adapter's screen line
// (written once per observation for every model evaluation), the daily series line of the LAI file
// and a panel line of the estimator's report. Output goes to a sink that only counts bytes, so the
// figures are those of formatting and buffering alone.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "records/format.hpp"
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

}  // namespace

BENCHMARK_MAIN();
