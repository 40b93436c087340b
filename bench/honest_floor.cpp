// The floor of a reference run, independent of laifit's code: each piece of the run's work done the
// fastest way known, written here, and checked (before any timing) to give laifit's results.
//
//   start and exit  a static program that does nothing, started and waited for, its standard output
//                   where the run's goes (/dev/null, or a new file);
//   bytes           every byte the run writes (the screen and each output file), from memory, in 64 KiB
//                   blocks for a file's first 2 MiB and 256 KiB blocks after them;
//   inputs          the run description, the observation table, the climate files and the working files
//                   read with read() and converted with std::from_chars;
//   curve           every curve evaluation of the run (one per screen line of a model call, and the daily
//                   series) in passes, with an exponential of its own that rounds as laifit's does;
//   estimator       each model call's residuals, each iteration's normal matrix and gradient, and each
//                   trial's linear solve, every sum rounded to float term by term as laifit's are.
//
// The same pieces also run as one program of their own (bench/floor_cold, static, started for each run as
// laifit is, mapping its heap and stack ahead as laifit does), from a work file prepared here: that floor
// pays what any program started for the run pays, the first touch of its pages and its cold caches.
//
// Each measurement is CPU time (this process's and its children's, user and system), taken in
// interleaved rounds of laifit, the floor and the floor as a program, each going first, second and third
// in turn. The report gives the medians of each and the median of the rounds' ratios with its quartiles
// (the noise).
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

#include "floor_pieces.hpp"
#include "model/curves.hpp"
#include "platform/files.hpp"
#include "platform/folder_path.hpp"
#include "records/list_input.hpp"
#include "records/units.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace floor_pieces;

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

// ---- one reference run, as its recorded files tell it ----

struct Case : floor_pieces::Work {
  std::string name;
  fs::path dir;
  std::string screen;
  std::map<std::string, std::string> outputs;  // every file the run writes, with its bytes
  std::vector<fs::path> inputs;                // the climate files and the observation table, from in/
  fs::path table;
  std::vector<fs::path> working;  // tempobs2.txt and tempobs.txt, from out/

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
  reads.push_back((dir / "in" / "param.soj").string());
  for (const auto& path : inputs) reads.push_back(path.string());
  for (const auto& path : working) reads.push_back(path.string());
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
    if (i == 0) calls.back() = unpacked(packed);
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

int open_screen(bool to_file, const fs::path& screen_file) {
  if (!to_file) return ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  ::unlink(screen_file.c_str());
  return ::open(screen_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

struct Child {
  int status = -1;
  double cpu = 0;  // seconds, user and system
};

Child spawn(const char* program, const fs::path& folder, int fd, const char* argument = nullptr) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fd, STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  char* argv[] = {const_cast<char*>(program), const_cast<char*>(argument), nullptr};
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
  for (std::size_t at = 0; at < bytes.size(); at += block_at(at)) {
    const std::string_view block = bytes.substr(at, block_at(at));
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

// ---- checks against laifit's own results, before any timing ----

void check(const Case& c) {
  CurveBuffers cb;
  curves(c, cb);
  const std::size_t n = c.stemp.size();
  for (std::size_t k = 0; k < c.calls.size(); ++k) {
    for (std::size_t i = 0; i < n; ++i) {
      const float want = laifit::lai_curve(c.calls[k], c.stemp[i]);
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
    numbers(read_file(c.inputs[f].c_str(), b.bytes), b.values);
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

// The floor as one program started for the run (floor_cold), from the work file prepared for it.
double cold_run(const fs::path& folder, bool to_file, const fs::path& screen_file, const fs::path& work) {
  const double start = cpu_now();
  const int fd = open_screen(to_file, screen_file);
  const Child child = spawn(LAIFIT_FLOOR_COLD, folder, fd, work.c_str());
  ::close(fd);
  if (child.status != 0) fail("the floor's own program failed");
  return cpu_now() - start + child.cpu;
}

// The work file of a case for floor_cold, and a first cold run that must write every byte the run writes.
fs::path prepare_cold(const Case& c, const fs::path& folder, const fs::path& screen_file) {
  std::vector<std::pair<std::string, std::string_view>> files{{"", c.screen}};
  for (const auto& [file, content] : c.outputs) files.emplace_back(file, content);
  const fs::path work = folder.string() + ".work";
  std::ofstream(work, std::ios::binary) << encode(c, files);
  cold_run(folder, true, screen_file, work);
  if (slurp(screen_file) != c.screen) fail(c.name + ": the floor's own program writes another screen");
  for (const auto& [file, content] : c.outputs)
    if (slurp(folder / file) != content) fail(c.name + ": the floor's own program writes another " + file);
  return work;
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
  Scratch run_folder, floor_folder, cold_folder;
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
  const fs::path cold_screen = cold_folder.dir.string() + ".screen";
  // A run that fails at once has the start and exit alone for its floor, warm or cold.
  const fs::path work = c ? prepare_cold(*c, cold_folder.dir, cold_screen) : fs::path();
  InputBuffers ib;
  CurveBuffers cb;
  std::vector<double> mine, floor, cold, ratio, cold_ratio;
  for (int r = -2; r < runs; ++r) {  // two warm-up rounds
    double a = 0, b = 0, d = 0;
    auto laifit = [&] { a = laifit_run(run_folder.dir, to_file, screen_file, status); };
    auto warm = [&] { b = floor_run(c.get(), to_file, floor_folder.dir, ib, cb); };
    auto started = [&] { d = c ? cold_run(cold_folder.dir, to_file, cold_screen, work) : b; };
    // Each of the three goes first, second and third in turn.
    switch ((r + 3) % 3) {
      case 0: laifit(), warm(), started(); break;
      case 1: warm(), started(), laifit(); break;
      default: started(), laifit(), warm(), d = c ? d : b; break;
    }
    if (r < 0) continue;
    mine.push_back(a);
    floor.push_back(b);
    cold.push_back(d);
    ratio.push_back(a / b);
    cold_ratio.push_back(a / d);
  }
  fs::remove(screen_file);
  fs::remove(cold_screen);
  if (c) fs::remove(work);
  std::printf("| %s | %s | %.2f ms | %.2f ms | %.2f (%.2f–%.2f) | %.2f ms | %.2f (%.2f–%.2f) |\n", name.c_str(),
              to_file ? "new file" : "/dev/null", 1e3 * quantile(mine, 0.5), 1e3 * quantile(floor, 0.5),
              quantile(ratio, 0.5), quantile(ratio, 0.25), quantile(ratio, 0.75), 1e3 * quantile(cold, 0.5),
              quantile(cold_ratio, 0.5), quantile(cold_ratio, 0.25), quantile(cold_ratio, 0.75));
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
  std::printf(
      "| run | screen | laifit | floor | laifit / floor (quartiles) | floor as a program | laifit / it (quartiles) "
      "|\n|---|---|---|---|---|---|---|\n");
  for (const std::string& name : names)
    for (const bool to_file : targets) measure(name, to_file, runs);
  return 0;
}
