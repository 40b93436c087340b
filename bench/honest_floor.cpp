// The floor of a reference run, independent of laifit's code: each piece of the run's work done the
// fastest way known, written here, and checked (before any timing) to give laifit's results.
//
//   start and exit  a static program that does nothing, started and waited for, its standard output
//                   where the run's goes (/dev/null, or a new file);
//   bytes           every byte the run writes (the screen and each output file), from memory, in 256 KiB
//                   blocks;
//   inputs          the run description, the observation table, the climate files and the working files
//                   read with read() and converted with std::from_chars;
//   curve           every curve evaluation of the run (one per screen line of a model call, and the daily
//                   series) in passes, with an exponential of its own that rounds as laifit's does;
//   estimator       each model call's residuals, each iteration's normal matrix and gradient, and each
//                   trial's linear solve, every sum rounded to float term by term as laifit's are.
//
// Each measurement is CPU time (this process's and its children's, user and system), taken in
// interleaved pairs: laifit, then the floor, then the floor, then laifit, and so on. The report gives the
// medians of each and the median of the pairs' ratios with its quartiles (the noise).
//
//   honest_floor [--runs N] [--target null|file|both] [CASE...]
//   honest_floor --floor-only CASE   one floor run to /dev/null and nothing else (for an instruction count
//                                    under callgrind, to compare with laifit's)
//
// A case is a folder of ../shared/cases; "fail" is a run in an empty folder (no run description),
// compared with the start and exit alone.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "model/curves.hpp"
#include "platform/files.hpp"
#include "platform/folder_path.hpp"
#include "records/list_input.hpp"
#include "records/units.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(const std::string& why) {
  std::fprintf(stderr, "honest_floor: %s\n", why.c_str());
  std::exit(1);
}

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) fail("cannot read " + path.string());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string_view> split(std::string_view line, std::string_view separators) {
  std::vector<std::string_view> out;
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t start = line.find_first_not_of(separators, at);
    if (start == std::string_view::npos) break;
    const std::size_t end = std::min(line.find_first_of(separators, start), line.size());
    out.push_back(line.substr(start, end - start));
    at = end;
  }
  return out;
}

float to_float(std::string_view text) {
  float value = 0;
  if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc()) {
    fail("not a number: " + std::string(text));
  }
  return value;
}

double cpu_now() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

double seconds(const timeval& t) { return double(t.tv_sec) + 1e-6 * double(t.tv_usec); }

// ---- the floor's exponential: the float nearest to e^x, as laifit stores it ----

struct ExpTable {
  std::array<double, 256> power{};  // 2^(j/256)
  ExpTable() {
    for (int j = 0; j < 256; ++j) power[std::size_t(j)] = double(std::exp2l((long double)j / 256.0L));
  }
};
const ExpTable kTable;

// e^x through 2^(k/256) and a degree-4 polynomial, used when the double lies more than 256 units of its
// last place from a float rounding boundary; +0 from -104 down; otherwise the long double exp.
float floor_exp(double x) {
  const std::uint64_t magnitude = std::bit_cast<std::uint64_t>(x) & 0x7FFFFFFFFFFFFFFF;
  if (magnitude < 0x4055C00000000000) {                       // |x| < 87
    constexpr double kShifter = 0x1.8p52;                     // adding it rounds to an integer kept in the low bits
    const double shifted = x * 369.3299304675746 + kShifter;  // x 256 / ln 2
    const auto ki = static_cast<std::int32_t>(static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(shifted)));
    const double k = shifted - kShifter;
    const double r = (x - k * 0x1.62e42fef8p-9) - k * 0x1.1cf79abc8p-44;
    const double t = kTable.power[std::size_t(ki & 255)];
    const double p = r * (1.0 + r * (0.5 + r * (1.0 / 6.0 + r * (1.0 / 24.0))));
    const double y = (t + t * p) * std::bit_cast<double>(std::uint64_t((ki >> 8) + 1023) << 52);
    const std::int64_t dropped = std::int64_t(std::bit_cast<std::uint64_t>(y) & 0x1FFFFFFF) - 0x10000000;
    if (dropped > 256 || dropped < -256) return float(y);
  }
  if (x <= -104.0) return 0.0f;  // below 2^-150
  return float(double(std::exp((long double)x)));
}

// ---- one reference run, as its recorded files tell it ----

struct Call {
  std::array<float, 5> p;  // the five parameters of the curve
};

struct Case {
  std::string name;
  fs::path dir;
  std::string screen;
  std::map<std::string, std::string> outputs;  // every file the run writes, with its bytes
  std::vector<fs::path> inputs;                // the climate files and the observation table, from in/
  fs::path table;
  std::vector<fs::path> working;  // tempobs2.txt and tempobs.txt, from out/
  std::vector<float> stemp;       // each observation's thermal time
  std::vector<Call> calls;        // every model call
  std::vector<float> yob;         // the observations
  std::array<float, 5> final{};   // the parameters of the daily series
  std::vector<float> series_t;    // its thermal times
  int np = 0, iterations = 0;

  explicit Case(const std::string& case_name);
};

Case::Case(const std::string& case_name) : name(case_name), dir(fs::path(LAIFIT_CASES_DIR) / case_name) {
  screen = slurp(dir / "stdout");
  for (const auto& entry : fs::directory_iterator(dir / "out")) {
    const std::string file = entry.path().filename().string();
    const std::string bytes = slurp(entry.path());
    if (!fs::exists(dir / "in" / file) || slurp(dir / "in" / file) != bytes || file == "history.kvt") {
      outputs[file] = bytes;
    }
  }
  std::istringstream soj(slurp(dir / "in" / "param.soj"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(soj, line);) lines.push_back(line);
  if (lines.size() < 12) fail(case_name + ": a run description of fewer than 12 lines");
  auto file_name = [](std::string_view line) {
    std::string s(split(line, " \t\r")[0]);
    std::erase(s, '\'');
    return s;
  };
  table = dir / "in" / file_name(lines[2]);
  inputs = {dir / "in" / file_name(lines[0])};
  if (split(lines[5], " \t\r")[0] != "1") inputs.push_back(dir / "in" / file_name(lines[1]));
  inputs.push_back(table);
  for (const char* w : {"tempobs2.txt", "tempobs.txt"}) working.push_back(dir / "out" / w);
  std::array<int, 5> icod{};
  std::array<float, 5> var{};
  for (std::size_t k = 0; k < 5; ++k) {
    const auto w = split(lines[7 + k], " \t\r");
    icod[k] = w[0] == "1" ? 1 : 0;
    var[k] = to_float(w[1]);
    np += icod[k];
  }
  auto unpacked = [&](const std::vector<float>& packed) {
    std::array<float, 5> p = var;
    for (std::size_t k = 0, taken = 0; k < 5; ++k)
      if (icod[k] == 1) p[k] = packed.at(taken++);
    return p;
  };
  // Every "debug-" line of an observation: i, "nob", nob, the packed parameters, npar, t.
  std::istringstream lines_of_screen(screen);
  std::vector<float> packed;
  for (std::string line; std::getline(lines_of_screen, line);) {
    const auto w = split(line, " \r");
    if (line.find("appel de model") != std::string::npos) {
      calls.push_back({});
      continue;
    }
    if (w.size() < 6 || w[0] != "debug-" || w[2] != "nob") continue;
    const std::size_t i = std::size_t(std::stoul(std::string(w[1]))) - 1;
    packed.clear();
    for (std::size_t k = 4; k + 2 < w.size(); ++k) packed.push_back(to_float(w[k]));
    if (i == 0) calls.back().p = unpacked(packed);
    const float t = to_float(w.back());
    if (i == stemp.size()) stemp.push_back(t);
    if (std::bit_cast<std::uint32_t>(stemp.at(i)) != std::bit_cast<std::uint32_t>(t)) fail("thermal times differ");
  }
  // The observations, from the trace, and the daily series, from the LAI file.
  std::istringstream trace(outputs["test.txt"]);
  bool series = false;
  for (std::string line; std::getline(trace, line);) {
    const auto w = split(line, " \r");
    if (line.starts_with(" fin de lecture annee")) series = true;
    if (line.starts_with(" avant appel a haus")) series = false;
    if (series && w.size() == 3) yob.push_back(to_float(w[2]));
  }
  const std::string lai_name = file_name(lines[3]);
  std::istringstream lai(outputs[lai_name]);
  int line_number = 0;
  for (std::string line; std::getline(lai, line);) {
    const auto w = split(line, " \r");
    ++line_number;
    if (line_number >= 2 && line_number <= 6 && w.size() == 2) final[std::size_t(line_number - 2)] = to_float(w[1]);
    if (line_number > 8 && w.size() == 4) series_t.push_back(to_float(w[3]));
  }
  const auto at = outputs["adjust_lai.txt"].rfind("FIN DU PROBLEME");
  if (at != std::string::npos) {
    const auto w = split(std::string_view(outputs["adjust_lai.txt"]).substr(at), " \r\n");
    iterations = std::stoi(std::string(w.at(5)));  // FIN DU PROBLEME No. n N iterations.
  }
}

// ---- the pieces ----

constexpr std::size_t kBlock = 1 << 18;

int open_screen(bool to_file, const fs::path& screen_file) {
  if (!to_file) return ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  ::unlink(screen_file.c_str());
  return ::open(screen_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

struct Child {
  int status = -1;
  double cpu = 0;  // seconds, user and system
};

Child spawn(const char* program, const fs::path& folder, int fd) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fd, STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  char* argv[] = {const_cast<char*>(program), nullptr};
  pid_t pid = 0;
  Child c;
  int status = 0;
  rusage use{};
  if (posix_spawn(&pid, program, &actions, nullptr, argv, environ) == 0 && ::wait4(pid, &status, 0, &use) == pid) {
    c.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    c.cpu = seconds(use.ru_utime) + seconds(use.ru_stime);
  }
  posix_spawn_file_actions_destroy(&actions);
  return c;
}

void write_blocks(int fd, std::string_view bytes, std::vector<char>& buffer) {
  for (std::size_t at = 0; at < bytes.size(); at += kBlock) {
    const std::string_view block = bytes.substr(at, kBlock);
    std::memcpy(buffer.data(), block.data(), block.size());
    if (::write(fd, buffer.data(), block.size()) != static_cast<ssize_t>(block.size())) fail("a write failed");
  }
}

// The bytes are copied into one block buffer and written from it, as a program that makes them must.
// A file of the previous run is written over and ended after its new bytes, which costs ext4 less than
// emptying it first (it writes an emptied file back at its close).
void bytes(const Case& c, bool to_file, const fs::path& folder, std::vector<char>& block) {
  block.resize(kBlock);
  const int screen = open_screen(to_file, folder / "screen.out");
  write_blocks(screen, c.screen, block);
  ::close(screen);
  for (const auto& [file, content] : c.outputs) {
    const int fd = ::open((folder / file).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    write_blocks(fd, content, block);
    if (::ftruncate(fd, static_cast<off_t>(content.size())) != 0) fail("a file could not be ended");
    ::close(fd);
  }
}

// A file's bytes, read with one call into a buffer that is kept from run to run.
std::string_view read_file(const fs::path& path, std::vector<char>& buffer) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) fail("cannot open " + path.string());
  buffer.resize(std::size_t(st.st_size) + 1);
  const ssize_t n = ::read(fd, buffer.data(), buffer.size());
  ::close(fd);
  return {buffer.data(), std::size_t(std::max<ssize_t>(n, 0))};
}

// Every number of text (fields separated by blanks, tabs, ';' or line ends) into values; a field that is
// not a number (a station name, a header) is skipped. Returns the count.
std::size_t numbers(std::string_view text, std::vector<float>& values) {
  values.clear();
  const char* at = text.data();
  const char* const end = at + text.size();
  while (at < end) {
    while (at < end && (*at == ' ' || *at == '\t' || *at == ';' || *at == '\r' || *at == '\n')) ++at;
    if (at == end) break;
    float v = 0;
    const auto [next, ec] = std::from_chars(at, end, v);
    if (ec == std::errc() && (next == end || *next == ' ' || *next == ';' || *next == '\r' || *next == '\n')) {
      values.push_back(v);
      at = next;
    } else {
      while (at < end && *at != ' ' && *at != '\t' && *at != ';' && *at != '\n') ++at;
    }
  }
  return values.size();
}

struct InputBuffers {
  std::vector<char> block;  // of the bytes written
  std::vector<char> bytes;
  std::vector<float> values;
};

std::size_t inputs(const Case& c, InputBuffers& b) {
  std::size_t count = numbers(read_file(c.dir / "in" / "param.soj", b.bytes), b.values);
  for (const fs::path& file : c.inputs) count += numbers(read_file(file, b.bytes), b.values);
  for (const fs::path& file : c.working) count += numbers(read_file(file, b.bytes), b.values);
  return count;
}

// The curve at every t, in passes, as laifit rounds it: each formula in double, each result to float.
void curve(const std::array<float, 5>& p, std::span<const float> t, std::span<float> out, std::vector<float>& a,
           std::vector<float>& b) {
  const std::size_t n = t.size();
  a.resize(n);
  b.resize(n);
  for (std::size_t i = 0; i < n; ++i) a[i] = float(-(double(p[1]) * (double(t[i]) - p[2])));
  for (std::size_t i = 0; i < n; ++i) b[i] = float(double(p[3]) * (double(t[i]) - p[4]));
  for (std::size_t i = 0; i < n; ++i) a[i] = floor_exp(a[i]);
  for (std::size_t i = 0; i < n; ++i) b[i] = floor_exp(b[i]);
  for (std::size_t i = 0; i < n; ++i) out[i] = float(double(p[0]) * (double(float(1.0 / (1.0 + a[i]))) - b[i]));
}

struct CurveBuffers {
  std::vector<float> values, a, b, series;
};

void curves(const Case& c, CurveBuffers& cb) {
  const std::size_t n = c.stemp.size();
  cb.values.resize(c.calls.size() * n);
  for (std::size_t k = 0; k < c.calls.size(); ++k)
    curve(c.calls[k].p, c.stemp, std::span<float>(cb.values).subspan(k * n, n), cb.a, cb.b);
  cb.series.resize(c.series_t.size());
  curve(c.final, c.series_t, cb.series, cb.a, cb.b);
}

// Solves the n x n system m x = v in place (Gauss-Jordan, no pivoting), each value rounded to float.
void solve(std::span<float> m, std::span<float> v, std::size_t n) {
  for (std::size_t k = 0; k < n; ++k) {
    const double pivot = m[k * n + k];
    for (std::size_t j = 0; j < n; ++j) m[k * n + j] = float(m[k * n + j] / pivot);
    v[k] = float(v[k] / pivot);
    for (std::size_t i = 0; i < n; ++i) {
      if (i == k) continue;
      const double f = m[i * n + k];
      for (std::size_t j = 0; j < n; ++j) m[i * n + j] = float(m[i * n + j] - f * m[k * n + j]);
      v[i] = float(v[i] - f * v[k]);
    }
  }
}

// Each call's residuals and sum of squares; for each iteration the normal matrix and gradient of
// differences of calls' values; one solve for each call that is not a difference.
float estimator(const Case& c, const CurveBuffers& cb) {
  const std::size_t n = std::min(c.stemp.size(), c.yob.size()), np = std::size_t(c.np), stride = c.stemp.size();
  std::vector<float> r(n), jac(n * np);
  float total = 0;
  for (std::size_t k = 0; k < c.calls.size(); ++k) {
    float sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
      r[i] = float(double(c.yob[i]) - cb.values[k * stride + i]);
      sum = float(double(sum) + double(r[i]) * r[i]);
    }
    total += sum;
  }
  const std::size_t solves = c.calls.size() - 1 - std::min(c.calls.size() - 1, std::size_t(c.iterations) * np);
  std::array<float, 25> m{};
  std::array<float, 5> v{};
  for (int it = 0; it < c.iterations; ++it) {
    const std::size_t base = (std::size_t(it) * (np + 1)) % std::max<std::size_t>(1, c.calls.size() - np);
    for (std::size_t j = 0; j < np; ++j)
      for (std::size_t i = 0; i < n; ++i)
        jac[j * n + i] = float(double(cb.values[(base + 1 + j) * stride + i]) - cb.values[base * stride + i]);
    std::array<float, 15> sums{};
    std::array<float, 5> grad{};
    for (std::size_t i = 0; i < n; ++i) {
      for (std::size_t a = 0, pair = 0; a < np; ++a) {
        const double da = jac[a * n + i];
        grad[a] = float(double(grad[a]) + da * r[i]);
        for (std::size_t b = 0; b <= a; ++b, ++pair) sums[pair] = float(double(sums[pair]) + da * jac[b * n + i]);
      }
    }
    const std::size_t trials = std::max<std::size_t>(1, solves / std::size_t(c.iterations));
    for (std::size_t t = 0; t < trials; ++t) {
      for (std::size_t a = 0, pair = 0; a < np; ++a) {
        for (std::size_t b = 0; b <= a; ++b, ++pair)
          m[a * np + b] = m[b * np + a] = sums[pair] + (a == b ? 1.0f : 0.0f);
        v[a] = grad[a];
      }
      solve(m, v, np);
      total += v[0];
    }
  }
  return total;
}

// ---- checks against laifit's own results, before any timing ----

void check(const Case& c) {
  CurveBuffers cb;
  curves(c, cb);
  const std::size_t n = c.stemp.size();
  for (std::size_t k = 0; k < c.calls.size(); ++k) {
    for (std::size_t i = 0; i < n; ++i) {
      const float want = laifit::lai_curve(c.calls[k].p, c.stemp[i]);
      if (std::bit_cast<std::uint32_t>(want) != std::bit_cast<std::uint32_t>(cb.values[k * n + i]))
        fail(c.name + ": the floor's curve differs from laifit's");
    }
  }
  for (std::size_t i = 0; i < c.series_t.size(); ++i) {
    if (std::bit_cast<std::uint32_t>(laifit::lai_curve(c.final, c.series_t[i])) !=
        std::bit_cast<std::uint32_t>(cb.series[i]))
      fail(c.name + ": the floor's daily series differs from laifit's");
  }
  // The climate files: the floor's conversion gives the values laifit's reader gives.
  std::string why;
  const auto in = laifit::platform::open_folder(c.dir / "in", why);
  laifit::Units units(in, std::make_unique<laifit::NullSink>());
  InputBuffers b;
  for (std::size_t f = 0; f + 1 < c.inputs.size(); ++f) {
    numbers(read_file(c.inputs[f], b.bytes), b.values);
    laifit::InputChannel& climate = units.open_input(21, c.inputs[f].filename().string());
    laifit::FixedText<7> station;
    std::int32_t an = 0, mois = 0, nday = 0, jour = 0;
    float tn = 0, tx = 0, rg = 0, etp = 0, rr = 0;
    std::size_t at = 0;
    while (laifit::read_list_or_end(climate, {station, an, mois, nday, jour, tn, tx, rg, etp, rr})) {
      if (at + 9 > b.values.size() || b.values[at + 4] != tn || b.values[at + 5] != tx ||
          b.values[at + 3] != float(jour))
        fail(c.name + ": the floor reads a climate file other than laifit does");
      at += 9;
    }
    if (at != b.values.size()) fail(c.name + ": the floor reads more of a climate file than laifit does");
  }
  std::printf("%s: %zu curve evaluations (%zu model calls of %zu observations, %zu days), %d iterations, checked\n",
              c.name.c_str(), c.calls.size() * n + c.series_t.size(), c.calls.size(), n, c.series_t.size(),
              c.iterations);
}

// ---- the measurement ----

struct Scratch {
  fs::path dir;
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "laifit-honest-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) fail("no scratch folder");
    dir = pattern;
  }
  ~Scratch() { fs::remove_all(dir); }
};

double floor_run(const Case* c, bool to_file, const fs::path& folder, InputBuffers& ib, CurveBuffers& cb) {
  const double start = cpu_now();
  const int fd = open_screen(to_file, folder / "screen.out");
  const Child child = spawn(LAIFIT_START_EXIT, folder, fd);
  ::close(fd);
  if (child.status != 0) fail("the do-nothing program failed");
  if (c != nullptr) {
    bytes(*c, to_file, folder, ib.block);
    if (inputs(*c, ib) == 0) fail("no inputs");
    curves(*c, cb);
    volatile float sink = estimator(*c, cb);
    (void)sink;
  }
  return cpu_now() - start + child.cpu;
}

double laifit_run(const fs::path& folder, bool to_file, const fs::path& screen_file, int status) {
  const double start = cpu_now();
  const int fd = open_screen(to_file, screen_file);
  const Child child = spawn(LAIFIT_BINARY, folder, fd);
  ::close(fd);
  if (child.status != status) fail("laifit's exit status differs from the recorded one");
  return cpu_now() - start + child.cpu;
}

double quantile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  const double at = q * double(v.size() - 1);
  const auto lo = std::size_t(at);
  const std::size_t hi = std::min(lo + 1, v.size() - 1);
  return v[lo] + (at - double(lo)) * (v[hi] - v[lo]);
}

void measure(const std::string& name, bool to_file, int runs) {
  std::unique_ptr<Case> c;
  Scratch run_folder, floor_folder;
  int status = 2;
  if (name != "fail") {
    c = std::make_unique<Case>(name);
    for (const auto& entry : fs::directory_iterator(c->dir / "in")) {
      fs::copy_file(entry.path(), run_folder.dir / entry.path().filename());
      fs::permissions(run_folder.dir / entry.path().filename(), fs::perms::owner_read | fs::perms::owner_write);
    }
    status = std::stoi(slurp(c->dir / "status"));
  }
  const fs::path screen_file = run_folder.dir.string() + ".screen";
  InputBuffers ib;
  CurveBuffers cb;
  std::vector<double> mine, floor, ratio;
  for (int r = -2; r < runs; ++r) {  // two warm-up pairs
    double a = 0, b = 0;
    if (r % 2 == 0) {
      a = laifit_run(run_folder.dir, to_file, screen_file, status);
      b = floor_run(c.get(), to_file, floor_folder.dir, ib, cb);
    } else {
      b = floor_run(c.get(), to_file, floor_folder.dir, ib, cb);
      a = laifit_run(run_folder.dir, to_file, screen_file, status);
    }
    if (r < 0) continue;
    mine.push_back(a);
    floor.push_back(b);
    ratio.push_back(a / b);
  }
  fs::remove(screen_file);
  std::printf("| %s | %s | %.2f ms | %.2f ms | %.2f (%.2f–%.2f) |\n", name.c_str(), to_file ? "new file" : "/dev/null",
              1e3 * quantile(mine, 0.5), 1e3 * quantile(floor, 0.5), quantile(ratio, 0.5), quantile(ratio, 0.25),
              quantile(ratio, 0.75));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 30;
  std::vector<bool> targets{false, true};
  std::vector<std::string> names;
  bool floor_only = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--target" && i + 1 < argc) {
      const std::string t = argv[++i];
      targets = t == "null" ? std::vector<bool>{false} : t == "file" ? std::vector<bool>{true} : targets;
    } else if (a == "--floor-only") {
      floor_only = true;
    } else if (a.starts_with("--")) {
      std::fprintf(stderr, "usage: %s [--runs N] [--target null|file|both] [CASE...]\n", argv[0]);
      return 2;
    } else {
      names.push_back(a);
    }
  }
  if (floor_only) {
    if (names.size() != 1 || names[0] == "fail") return 2;
    const Case c(names[0]);
    const Scratch folder;
    InputBuffers ib;
    CurveBuffers cb;
    floor_run(&c, false, folder.dir, ib, cb);
    return 0;
  }
  if (names.empty()) names = {"f21_big_fit_heavy", "f11_big_fit", "f03_all_five", "random_r101_0000", "fail"};
  for (const std::string& name : names)
    if (name != "fail") check(Case(name));
  std::printf("| run | screen | laifit | floor | laifit / floor (quartiles) |\n|---|---|---|---|---|\n");
  for (const std::string& name : names)
    for (const bool to_file : targets) measure(name, to_file, runs);
  return 0;
}
