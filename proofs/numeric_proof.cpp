// Exhaustive proof of laifit::numeric::exp_cr and acos_cr: for every float argument that is not trivial
// (exp: every finite float, acos: every float in [-1, 1]) the result bits and the raised flags are
// compared with MPFR, and the C library's exp and acos are compared with them, on the double and on
// the float that laifit stores from it. Optionally writes the sampled tables that tests/numeric checks.
// Then exp_cr_stored is compared with exp_cr followed by the store to float, float bits and flags, on
// every one of the 2^32 float bit patterns (exp_cr being proven by the first pass).
//
//   numeric_proof [--function exp|acos|stored|both|all] [--threads N] [--stride S] [--tables DIR]
//                 [--arguments FILE]
//
// --stride S checks every S-th argument only (a quick trial; the report then says it is not
// exhaustive). --tables DIR writes DIR/exp.bin and DIR/acos.bin. --arguments FILE also compares the
// stored floats of the arguments listed in FILE (lines "exp HEX" or "acos HEX", HEX a float's bits).

#include <mpfr.h>
#include <xmmintrin.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cfenv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "fp_flags.hpp"
#include "numeric/acos.hpp"
#include "numeric/exp.hpp"
#include "numeric/fast_path.hpp"
#include "numeric/store.hpp"
#include "table_format.hpp"

namespace {

using Flag = laifit::numeric::table::Flag;

enum class Function { exp, acos };
const char* name_of(Function f) { return f == Function::exp ? "exp" : "acos"; }

double widen(std::uint32_t b) { return double(std::bit_cast<float>(b)); }
std::uint64_t bits_of(double d) { return std::bit_cast<std::uint64_t>(d); }

// Flags as laifit reports them: IEEE flags from <cfenv>, the denormal-operand bit from MXCSR.
using laifit::numeric::table::clear_flags;
using laifit::numeric::table::raised_flags;

struct Outcome {
  std::uint64_t bits;
  unsigned flags;
};

Outcome measure(Function f, double x) {
  clear_flags();
  const double y = f == Function::exp ? laifit::numeric::exp_cr(x) : laifit::numeric::acos_cr(x);
  const unsigned flags = raised_flags();
  return {bits_of(y), flags};
}

// ---- the reference: MPFR rounding to nearest at 53 bits ----

// Per thread: MPFR's exponent range is thread-local, and so are these numbers.
struct Reference {
  mpfr_t x, y;
  Reference() {
    mpfr_init2(x, 53);
    mpfr_init2(y, 53);
    // Double's range in MPFR's convention (significand in [1/2, 1)): 2^-1074 is 0.5 2^-1073.
    mpfr_set_emin(-1073);
    mpfr_set_emax(1024);
  }
  ~Reference() {
    mpfr_clear(x);
    mpfr_clear(y);
  }
  Reference(const Reference&) = delete;
  Reference& operator=(const Reference&) = delete;

  // Expected bits and flags for a finite x (exp) or x in [-1, 1] (acos). The flags follow the hardware:
  // overflow when the 53-bit rounding exceeds the largest double, underflow when it is below 2^-1022
  // (tininess after rounding) and the result is inexact.
  Outcome expect(Function f, double xd) {
    mpfr_set_d(x, xd, MPFR_RNDN);
    mpfr_clear_flags();
    int t = f == Function::exp ? mpfr_exp(y, x, MPFR_RNDN) : mpfr_acos(y, x, MPFR_RNDN);
    unsigned flags = 0;
    if (mpfr_overflow_p()) {
      flags |= Flag::overflow;
    } else if (t != 0 && (mpfr_zero_p(y) || mpfr_cmp_ui_2exp(y, 1, -1022) < 0)) {
      flags |= Flag::underflow;
    }
    t = mpfr_subnormalize(y, t, MPFR_RNDN);
    return {bits_of(mpfr_get_d(y, MPFR_RNDN)), flags};
  }
};

// Expected outcome for any float argument: MPFR for the ordinary ones, the rule for the others.
Outcome expected(Reference& ref, Function f, std::uint32_t arg) {
  const double x = widen(arg);
  const std::uint32_t a = arg & 0x7FFFFFFF;
  if (a > 0x7F800000) return {bits_of(x), 0};  // NaN: the (quiet) NaN itself, no flag
  if (f == Function::exp) {
    if (a == 0x7F800000) return {bits_of((arg >> 31) != 0 ? 0.0 : x), 0};
  } else if (a > 0x3F800000) {
    return {0xFFF8000000000000, Flag::invalid};  // the default NaN of x86
  }
  return ref.expect(f, x);
}

// ---- the C library, through pointers so that nothing is folded at compile time ----

double (*volatile libc_exp)(double) = std::exp;
double (*volatile libc_acos)(double) = std::acos;

bool same_double(std::uint64_t a, std::uint64_t b) {
  return a == b || (std::isnan(std::bit_cast<double>(a)) && std::isnan(std::bit_cast<double>(b)));
}

// What laifit stores from the function's double: the float itself for exp, the angle in degrees for acos.
float stored(Function f, double y) {
  if (f == Function::exp) return float(y);
  return float(y * double(std::bit_cast<float>(std::uint32_t{0x42652E14})));  // 57.295f
}

bool same_float(float a, float b) {
  return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b) || (std::isnan(a) && std::isnan(b));
}

// ---- the exhaustive pass ----

struct Ranges {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> parts;  // [begin, end) of float bit patterns
  std::uint64_t size() const {
    std::uint64_t n = 0;
    for (auto [b, e] : parts) n += e - b;
    return n;
  }
};

Ranges domain(Function f) {
  if (f == Function::exp) return {{{0x00000000, 0x7F800000}, {0x80000000, 0xFF800000}}};  // finite
  return {{{0x00000000, 0x3F800001}, {0x80000000, 0xBF800001}}};                          // [-1, 1]
}

struct Mismatch {
  std::uint32_t arg;
  Outcome got, want;
};

struct Tally {
  std::uint64_t compared = 0;
  std::uint64_t wrong_result = 0;
  std::uint64_t wrong_flags = 0;
  std::uint64_t libc_double_differs = 0;
  std::uint64_t libc_stored_differs = 0;
  std::uint64_t accurate_path = 0;
  std::map<unsigned, std::uint64_t> flag_counts;
  std::vector<Mismatch> mismatches;           // the first few
  std::vector<std::uint32_t> stored_differs;  // arguments where the C library's stored float differs
  std::vector<std::uint32_t> slow;            // arguments that take the accurate path

  void add(const Tally& o) {
    compared += o.compared;
    wrong_result += o.wrong_result;
    wrong_flags += o.wrong_flags;
    libc_double_differs += o.libc_double_differs;
    libc_stored_differs += o.libc_stored_differs;
    accurate_path += o.accurate_path;
    for (auto [k, v] : o.flag_counts) flag_counts[k] += v;
    for (const auto& m : o.mismatches)
      if (mismatches.size() < 20) mismatches.push_back(m);
    stored_differs.insert(stored_differs.end(), o.stored_differs.begin(), o.stored_differs.end());
    slow.insert(slow.end(), o.slow.begin(), o.slow.end());
  }
};

void check_one(Reference& ref, Function f, std::uint32_t arg, Tally& t) {
  const double x = widen(arg);
  const Outcome want = expected(ref, f, arg);
  const Outcome got = measure(f, x);
  ++t.compared;
  ++t.flag_counts[want.flags];
  const bool result_ok = same_double(got.bits, want.bits);
  const bool flags_ok = got.flags == want.flags;
  if (!result_ok) ++t.wrong_result;
  if (!flags_ok) ++t.wrong_flags;
  if ((!result_ok || !flags_ok) && t.mismatches.size() < 20) t.mismatches.push_back({arg, got, want});
  const double libc = f == Function::exp ? libc_exp(x) : libc_acos(x);
  const double mine = std::bit_cast<double>(got.bits);
  if (!same_double(bits_of(libc), got.bits)) ++t.libc_double_differs;
  if (!same_float(stored(f, libc), stored(f, mine))) {
    ++t.libc_stored_differs;
    if (t.stored_differs.size() < 1000) t.stored_differs.push_back(arg);
  }
  const bool fast = f == Function::exp ? laifit::numeric::detail::exp_fast_path_decides(x)
                                       : laifit::numeric::detail::acos_fast_path_decides(x);
  if (!fast) {
    ++t.accurate_path;
    t.slow.push_back(arg);
  }
}

Tally run_exhaustive(Function f, unsigned threads, std::uint64_t stride, double& seconds) {
  const Ranges r = domain(f);
  // Work in blocks of 2^20 positions of the domain, handed out in turn, so that both threads stay busy
  // whatever the cost of each region.
  constexpr std::uint64_t kBlock = 1u << 20;
  const std::uint64_t total = r.size();
  std::atomic<std::uint64_t> next{0};
  std::vector<Tally> tallies(threads);
  std::mutex print_lock;
  const auto start = std::chrono::steady_clock::now();
  auto work = [&](unsigned id) {
    Reference ref;
    Tally& t = tallies[id];
    for (;;) {
      const std::uint64_t b = next.fetch_add(kBlock);
      if (b >= total) break;
      const std::uint64_t e = std::min(total, b + kBlock);
      for (std::uint64_t pos = (b + stride - 1) / stride * stride; pos < e; pos += stride) {
        std::uint64_t p = pos;
        std::uint32_t arg = 0;
        for (auto [lo, hi] : r.parts) {
          if (p < hi - lo) {
            arg = std::uint32_t(lo + p);
            break;
          }
          p -= hi - lo;
        }
        check_one(ref, f, arg, t);
      }
      if ((b / kBlock) % 256 == 0) {
        std::lock_guard<std::mutex> lock(print_lock);
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::fprintf(stderr, "%s: %.1f%% after %.0f s\n", name_of(f), 100.0 * double(b) / double(total), s);
      }
    }
  };
  std::vector<std::thread> pool;
  for (unsigned i = 0; i < threads; ++i) pool.emplace_back(work, i);
  for (auto& th : pool) th.join();
  seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  Tally all;
  for (const auto& t : tallies) all.add(t);
  std::sort(all.slow.begin(), all.slow.end());
  std::sort(all.stored_differs.begin(), all.stored_differs.end());
  return all;
}

std::string flag_names(unsigned f) {
  if (f == 0) return "none";
  std::string s;
  if (f & Flag::invalid) s += "invalid ";
  if (f & Flag::divide_by_zero) s += "divide-by-zero ";
  if (f & Flag::overflow) s += "overflow ";
  if (f & Flag::underflow) s += "underflow ";
  if (f & Flag::denormal) s += "denormal ";
  s.pop_back();
  return s;
}

void report(Function f, const Tally& t, std::uint64_t stride, double seconds) {
  std::printf("%s: %s, %llu arguments compared with MPFR in %.0f s\n", name_of(f),
              stride == 1 ? "exhaustive" : ("every " + std::to_string(stride) + "th argument only").c_str(),
              (unsigned long long)t.compared, seconds);
  std::printf("  results not correctly rounded: %llu\n", (unsigned long long)t.wrong_result);
  std::printf("  flags different from the rule: %llu\n", (unsigned long long)t.wrong_flags);
  for (auto [flags, n] : t.flag_counts)
    std::printf("  expected flags %-10s: %llu arguments\n", flag_names(flags).c_str(), (unsigned long long)n);
  std::printf("  taking the accurate path: %llu (%.2e of the arguments)\n", (unsigned long long)t.accurate_path,
              double(t.accurate_path) / double(t.compared));
  std::printf("  C library double differs: %llu (%.2e)\n", (unsigned long long)t.libc_double_differs,
              double(t.libc_double_differs) / double(t.compared));
  std::printf("  C library stored float differs (%s): %llu\n",
              f == Function::exp ? "float(exp(x))" : "float(acos(c) * double(57.295f))",
              (unsigned long long)t.libc_stored_differs);
  for (std::size_t i = 0; i < t.stored_differs.size() && i < 20; ++i)
    std::printf("    stored float differs at %08x (%.9g)\n", t.stored_differs[i],
                double(std::bit_cast<float>(t.stored_differs[i])));
  for (const auto& m : t.mismatches)
    std::printf("    MISMATCH at %08x (%.9g): got %016llx flags %s, expected %016llx flags %s\n", m.arg,
                double(std::bit_cast<float>(m.arg)), (unsigned long long)m.got.bits, flag_names(m.got.flags).c_str(),
                (unsigned long long)m.want.bits, flag_names(m.want.flags).c_str());
  std::fflush(stdout);
}

// ---- the sampled tables ----

std::uint32_t float_bits(float v) { return std::bit_cast<std::uint32_t>(v); }

// Arguments around a float (its `n` neighbours on each side, by bit pattern).
void add_around(std::set<std::uint32_t>& s, std::uint32_t centre, int n) {
  for (int d = -n; d <= n; ++d) s.insert(std::uint32_t(std::int64_t(centre) + d));
}

void add_both_signs(std::set<std::uint32_t>& s, std::uint32_t magnitude, int n) {
  add_around(s, magnitude, n);
  add_around(s, magnitude | 0x80000000u, n);
}

// The first float (searching up from `from`, by bit pattern) whose expected outcome differs from that
// of `from` in its flags or in being zero or infinite: a threshold of exp.
std::uint32_t exp_threshold(Reference& ref, std::uint32_t from, std::uint32_t to, bool (*side)(const Outcome&)) {
  const bool start = side(expected(ref, Function::exp, from));
  for (std::uint32_t a = from; a != to; ++a)
    if (side(expected(ref, Function::exp, a)) != start) return a;
  return to;
}

std::set<std::uint32_t> exp_edges(Reference& ref) {
  std::set<std::uint32_t> s;
  for (std::uint32_t m : {0x00000000u, 0x00000001u, 0x007FFFFFu, 0x00800000u, 0x7F7FFFFFu, 0x3F800000u})
    add_both_signs(s, m, 2);
  // 0.0013537816f: where k of the reduction turns from 0 to 1 (x 256 / ln 2 = 1/2)
  for (float v : {0x1p-54f, 0x1p-53f, 0x1p-24f, 708.0f, 710.0f, 746.0f, 0.0013537816f, 88.7f, 103.9f})
    add_both_signs(s, float_bits(v), 3);
  s.insert({0x7F800000u, 0xFF800000u, 0x7FC00000u, 0xFFC00000u, 0x7FC12345u, 0x7F800001u, 0xFFBFFFFFu});
  // overflow: the first float whose exp overflows; tininess: the first (from below) that is not tiny;
  // zero: the first that does not round to +0; around each threshold, its neighbours.
  auto overflows = [](const Outcome& o) { return (o.flags & Flag::overflow) != 0; };
  auto tiny = [](const Outcome& o) { return (o.flags & Flag::underflow) != 0; };
  auto zero = [](const Outcome& o) { return o.bits == 0; };
  add_around(s, exp_threshold(ref, float_bits(709.0f), float_bits(711.0f), overflows), 4);
  // negative floats grow in magnitude with the bit pattern: search from -700 downwards
  add_around(s, exp_threshold(ref, float_bits(-700.0f), float_bits(-710.0f), tiny), 4);
  add_around(s, exp_threshold(ref, float_bits(-740.0f), float_bits(-750.0f), zero), 4);
  return s;
}

std::set<std::uint32_t> acos_edges() {
  std::set<std::uint32_t> s;
  for (std::uint32_t m : {0x00000000u, 0x00000001u, 0x007FFFFFu, 0x00800000u, 0x7F7FFFFFu}) add_both_signs(s, m, 2);
  for (float v : {1.0f, 2.0f, 0.5f, 0x1p-13f, 0x1p-30f, 0x1p-54f, 0x1p-25f, 0.999f})
    add_both_signs(s, float_bits(v), 3);
  s.insert({0x7F800000u, 0xFF800000u, 0x7FC00000u, 0xFFC00000u, 0x7FC12345u, 0x7F800001u, 0xFFBFFFFFu});
  return s;
}

// Every `stride`-th position of the domain, starting at `offset`.
void add_strided(std::set<std::uint32_t>& s, Function f, std::uint64_t stride, std::uint64_t offset) {
  const Ranges r = domain(f);
  for (auto [lo, hi] : r.parts)
    for (std::uint64_t a = lo + offset; a < hi; a += stride) s.insert(std::uint32_t(a));
}

void add_uniform(std::set<std::uint32_t>& s, std::mt19937_64& rng, float lo, float hi, int n) {
  std::uniform_real_distribution<double> d(lo, hi);
  for (int i = 0; i < n; ++i) s.insert(float_bits(float(d(rng))));
}

// Floats whose magnitude is uniform in its bit pattern between two bounds, with random sign.
void add_log_uniform(std::set<std::uint32_t>& s, std::mt19937_64& rng, float lo, float hi, int n) {
  std::uniform_int_distribution<std::uint32_t> d(float_bits(lo), float_bits(hi));
  for (int i = 0; i < n; ++i) s.insert(d(rng) | ((rng() & 1) ? 0x80000000u : 0u));
}

void add_sample(std::set<std::uint32_t>& s, std::mt19937_64& rng, const std::vector<std::uint32_t>& from,
                std::size_t n) {
  if (from.size() <= n) {
    s.insert(from.begin(), from.end());
    return;
  }
  std::vector<std::uint32_t> pick;
  std::sample(from.begin(), from.end(), std::back_inserter(pick), n, rng);
  s.insert(pick.begin(), pick.end());
}

void write_table(const std::string& path, Function f, const std::set<std::uint32_t>& args) {
  Reference ref;
  std::map<unsigned, std::vector<laifit::numeric::table::Entry>> groups;
  for (std::uint32_t a : args) {
    const Outcome o = expected(ref, f, a);
    groups[o.flags].push_back({a, o.bits});
  }
  std::vector<laifit::numeric::table::Group> out;
  for (auto& [flags, entries] : groups) out.push_back({flags, std::move(entries)});
  std::ofstream file(path, std::ios::binary);
  const std::string bytes = laifit::numeric::table::encode(out);
  file.write(bytes.data(), std::streamsize(bytes.size()));
  if (!file) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
  std::printf("  wrote %s: %zu entries, %zu bytes\n", path.c_str(), args.size(), bytes.size());
}

void write_tables(const std::string& dir, Function f, const Tally& t) {
  std::mt19937_64 rng(f == Function::exp ? 20261208 : 20261209);
  Reference ref;
  std::set<std::uint32_t> args;
  if (f == Function::exp) {
    args = exp_edges(ref);
    add_strided(args, f, 1u << 15, 12345);
    add_uniform(args, rng, -50.0f, 5.0f, 150000);          // what fits use
    add_log_uniform(args, rng, 0x1p-54f, 746.0f, 100000);  // every binade that is not trivial
    add_uniform(args, rng, -746.0f, -708.0f, 30000);       // subnormal and tiny results
    add_uniform(args, rng, 708.0f, 710.0f, 10000);         // near overflow
  } else {
    args = acos_edges();
    add_strided(args, f, 1u << 14, 4321);
    add_uniform(args, rng, -1.0f, 1.0f, 100000);
    add_log_uniform(args, rng, 0x1p-30f, 1.0f, 50000);
  }
  // the accurate path, mostly where the fast path's error bound leaves the rounding open
  std::vector<std::uint32_t> open, far;
  for (std::uint32_t a : t.slow) (widen(a & 0x7FFFFFFF) < 708.0 ? open : far).push_back(a);
  add_sample(args, rng, open, 30000);
  add_sample(args, rng, far, 10000);
  write_table(dir + "/" + name_of(f) + ".bin", f, args);
}

// ---- arguments of the reference runs ----

void compare_listed(const std::string& path, Function f) {
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    std::exit(1);
  }
  std::set<std::uint32_t> args;
  std::string fn, hex;
  std::uint64_t calls = 0, not_floats = 0;
  while (in >> fn >> hex) {
    if (fn != name_of(f)) continue;
    ++calls;
    // a float's 8 hexadecimal digits, or a double's 16 (as argument_log writes them)
    const std::uint64_t v = std::stoull(hex, nullptr, 16);
    if (hex.size() <= 8) {
      args.insert(std::uint32_t(v));
      continue;
    }
    const double d = std::bit_cast<double>(v);
    const float narrow = float(d);
    if (std::isnan(d) || double(narrow) == d) {
      args.insert(float_bits(narrow));
    } else {
      ++not_floats;
    }
  }
  std::uint64_t differs = 0, double_differs = 0;
  for (std::uint32_t a : args) {
    const double x = widen(a);
    const double libc = f == Function::exp ? libc_exp(x) : libc_acos(x);
    const double mine = f == Function::exp ? laifit::numeric::exp_cr(x) : laifit::numeric::acos_cr(x);
    if (!same_double(bits_of(libc), bits_of(mine))) ++double_differs;
    if (!same_float(stored(f, libc), stored(f, mine))) ++differs;
  }
  std::printf(
      "%s: %llu calls in %s, %zu distinct float arguments (%llu not floats); against the C library's, "
      "the double differs for %llu, the stored float for %llu\n",
      name_of(f), (unsigned long long)calls, path.c_str(), args.size(), (unsigned long long)not_floats,
      (unsigned long long)double_differs, (unsigned long long)differs);
}

// ---- exp_cr_stored against the store of exp_cr ----

struct StoredTally {
  std::uint64_t compared = 0, wrong = 0, undecided = 0;
  std::vector<std::uint32_t> mismatches, near_boundary;  // the first few of each
};

void check_stored(std::uint32_t arg, StoredTally& t) {
  const double x = widen(arg);
  clear_flags();
  const float want = laifit::numeric::store(laifit::numeric::exp_cr(x));
  const unsigned want_flags = raised_flags();
  clear_flags();
  const float got = laifit::numeric::exp_cr_stored(x);
  const unsigned got_flags = raised_flags();
  ++t.compared;
  if (!same_float(got, want) || got_flags != want_flags) {
    ++t.wrong;
    if (t.mismatches.size() < 20) t.mismatches.push_back(arg);
  }
  if ((arg & 0x7FFFFFFF) < 0x42AE0000 && !laifit::numeric::detail::exp_stored_short_path_decides(x)) {  // 87
    ++t.undecided;
    if (t.near_boundary.size() < 20) t.near_boundary.push_back(arg);
  }
}

bool run_stored(unsigned threads, std::uint64_t stride) {
  constexpr std::uint64_t kBlock = 1u << 22;
  constexpr std::uint64_t kTotal = std::uint64_t{1} << 32;
  std::atomic<std::uint64_t> next{0};
  std::vector<StoredTally> tallies(threads);
  const auto start = std::chrono::steady_clock::now();
  auto work = [&](unsigned id) {
    for (;;) {
      const std::uint64_t b = next.fetch_add(kBlock);
      if (b >= kTotal) break;
      for (std::uint64_t a = (b + stride - 1) / stride * stride; a < b + kBlock; a += stride)
        check_stored(std::uint32_t(a), tallies[id]);
    }
  };
  std::vector<std::thread> pool;
  for (unsigned i = 0; i < threads; ++i) pool.emplace_back(work, i);
  for (auto& th : pool) th.join();
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  StoredTally all;
  for (const auto& t : tallies) {
    all.compared += t.compared;
    all.wrong += t.wrong;
    all.undecided += t.undecided;
    all.mismatches.insert(all.mismatches.end(), t.mismatches.begin(), t.mismatches.end());
    all.near_boundary.insert(all.near_boundary.end(), t.near_boundary.begin(), t.near_boundary.end());
  }
  std::printf("stored: %s, %llu float bit patterns, exp_cr_stored against store(exp_cr) in %.0f s\n",
              stride == 1 ? "exhaustive" : ("every " + std::to_string(stride) + "th pattern only").c_str(),
              (unsigned long long)all.compared, s);
  std::printf("  float or flags different: %llu\n", (unsigned long long)all.wrong);
  std::printf("  below 87 in magnitude, left by the short path to exp_cr: %llu\n", (unsigned long long)all.undecided);
  std::sort(all.near_boundary.begin(), all.near_boundary.end());
  for (std::uint32_t a : all.near_boundary)
    std::printf("    near a float boundary: %08x (%.9g)\n", a, double(std::bit_cast<float>(a)));
  for (std::uint32_t a : all.mismatches)
    std::printf("    MISMATCH at %08x (%.9g)\n", a, double(std::bit_cast<float>(a)));
  std::fflush(stdout);
  return all.wrong == 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<Function> functions{Function::exp, Function::acos};
  bool stored_pass = true;
  unsigned threads = 2;
  std::uint64_t stride = 1;
  std::string tables, arguments;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool has_value = i + 1 < argc;
    if (a == "--function" && has_value) {
      const std::string v = argv[++i];
      stored_pass = v == "stored" || v == "all";
      if (v == "exp")
        functions = {Function::exp};
      else if (v == "acos")
        functions = {Function::acos};
      else if (v == "stored")
        functions = {};
      else if (v != "both" && v != "all")
        return std::fprintf(stderr, "unknown function %s\n", v.c_str()), 2;
    } else if (a == "--threads" && has_value) {
      threads = unsigned(std::max(1, std::atoi(argv[++i])));
    } else if (a == "--stride" && has_value) {
      stride = std::max<std::uint64_t>(1, std::stoull(argv[++i]));
    } else if (a == "--tables" && has_value) {
      tables = argv[++i];
    } else if (a == "--arguments" && has_value) {
      arguments = argv[++i];
    } else {
      std::fprintf(stderr,
                   "usage: %s [--function exp|acos|stored|both|all] [--threads N] [--stride S] [--tables DIR] "
                   "[--arguments FILE]\n",
                   argv[0]);
      return 2;
    }
  }
  if (!tables.empty() && stride != 1) {
    std::fprintf(stderr, "--tables needs the exhaustive pass (stride 1): it samples the accurate path\n");
    return 2;
  }
  std::printf("MPFR %s, %u threads\n", mpfr_get_version(), threads);
  bool ok = true;
  for (Function f : functions) {
    double seconds = 0;
    const Tally t = run_exhaustive(f, threads, stride, seconds);
    report(f, t, stride, seconds);
    ok = ok && t.wrong_result == 0 && t.wrong_flags == 0;
    if (!tables.empty()) write_tables(tables, f, t);
    if (!arguments.empty()) compare_listed(arguments, f);
  }
  if (stored_pass) ok = run_stored(threads, stride) && ok;
  return ok ? 0 : 1;
}
