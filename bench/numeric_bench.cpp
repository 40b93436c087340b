// exp and acos of laifit's numeric library against the C library's, over the arguments a realistic fit
// uses: floats in [-50, 5] for the curve's exponents and in [-1, 1] for the estimator's cosine. Each
// iteration evaluates a block of 4096 arguments (reported per call), independent of one another.

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "numeric/acos.hpp"
#include "numeric/exp.hpp"

namespace {

constexpr std::size_t kBlock = 4096;

std::vector<double> arguments(float lo, float hi) {
  std::mt19937_64 rng(12345);
  std::uniform_real_distribution<float> d(lo, hi);
  std::vector<double> v(kBlock);
  for (double& x : v) x = double(d(rng));  // floats widened, as the callers pass them
  return v;
}

template <double (*F)(double)>
void run(benchmark::State& state, const std::vector<double>& args) {
  for (auto _ : state) {
    for (double x : args) benchmark::DoNotOptimize(F(x));
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t(args.size()));
}

double libc_exp(double x) { return std::exp(x); }
double libc_acos(double x) { return std::acos(x); }

const std::vector<double> kExpArguments = arguments(-50.0f, 5.0f);
const std::vector<double> kAcosArguments = arguments(-1.0f, 1.0f);

void BM_exp_libc(benchmark::State& s) { run<libc_exp>(s, kExpArguments); }
void BM_exp_cr(benchmark::State& s) { run<laifit::numeric::exp_cr>(s, kExpArguments); }
void BM_acos_libc(benchmark::State& s) { run<libc_acos>(s, kAcosArguments); }
void BM_acos_cr(benchmark::State& s) { run<laifit::numeric::acos_cr>(s, kAcosArguments); }

BENCHMARK(BM_exp_libc);
BENCHMARK(BM_exp_cr);
BENCHMARK(BM_acos_libc);
BENCHMARK(BM_acos_cr);

}  // namespace

BENCHMARK_MAIN();
