// A trial of 1,000 folders (the reference runs' inputs, copied round) inspected in process: one folder
// after another through inspect(), and all of them through inspect_many() on 1 and on 2 threads. CPU time
// is the process's (every thread's); folders per second come from the wall time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "inspect/inspect.hpp"

namespace {

namespace fs = std::filesystem;

constexpr int kFolders = 1000;

// The trial, made once under the temporary directory and removed at exit.
struct Trial {
  fs::path root;
  std::vector<fs::path> folders;
  Trial() {
    root = fs::temp_directory_path() / ("laifit-inspect-bench-" + std::to_string(std::random_device{}()));
    std::vector<fs::path> cases;
    for (const auto& e : fs::directory_iterator(LAIFIT_CASES_DIR)) {
      if (fs::exists(e.path() / "in" / "param.soj")) cases.push_back(e.path() / "in");
    }
    std::sort(cases.begin(), cases.end());
    for (int k = 0; k < kFolders; ++k) {
      const fs::path to = root / ("plot-" + std::to_string(1000 + k));
      fs::create_directories(to);
      fs::copy(cases[static_cast<std::size_t>(k) % cases.size()], to, fs::copy_options::recursive);
      folders.push_back(to);
    }
  }
  ~Trial() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

const Trial& trial() {
  static const Trial t;
  return t;
}

void Single(benchmark::State& state) {
  const Trial& t = trial();
  for (auto _ : state) {
    for (const fs::path& folder : t.folders) {
      laifit::inspect::Options o;
      o.folder = folder;
      o.quiet = true;
      o.keep_fit = true;  // as the summary keeps it
      benchmark::DoNotOptimize(laifit::inspect::inspect(o));
    }
  }
  state.counters["folders/s"] = benchmark::Counter(kFolders * double(state.iterations()), benchmark::Counter::kIsRate);
}

void Many(benchmark::State& state) {
  const Trial& t = trial();
  laifit::inspect::Arguments a;
  a.folders = t.folders;
  a.options.quiet = true;
  a.jobs = static_cast<unsigned>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(laifit::inspect::inspect_many(a));
  state.counters["folders/s"] = benchmark::Counter(kFolders * double(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(Single)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(3);
BENCHMARK(Many)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
