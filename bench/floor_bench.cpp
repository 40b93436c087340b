// The floor of a whole run: what no way of running a reference case can avoid, measured on this build.
//
//   start and exit  a static program that does nothing, started and waited for, its standard output
//                   redirected as the run's is (to /dev/null, or to a new file);
//   bytes           every byte the run writes (the screen and each output file), written from memory with
//                   the same calls: 64 KiB blocks, a file emptied at its first write;
//   inputs          every record of the run's input and working files read with the record layer's own
//                   reading statements;
//   fit             the estimation with the curve functions and a silent observer, and the daily series.
//
// Floor/<case>/<target> runs the four in one iteration, to compare with the whole process laifit
// (Process/<case>/<target> here, or hyperfine as the README shows).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "driver/extraction.hpp"
#include "laifit/estimator.hpp"
#include "model/curves.hpp"
#include "platform/files.hpp"
#include "platform/folder_path.hpp"
#include "platform/read_file.hpp"
#include "records/list_input.hpp"
#include "records/units.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace laifit;

constexpr std::size_t kBlock = 1 << 16;

std::string slurp(const fs::path& path) { return platform::read_file(path).value_or(""); }

std::vector<std::string> words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

float to_float(const std::string& text) {
  float value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// A scratch folder removed with its contents.
class Scratch {
 public:
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "laifit-floor-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    dir_ = pattern;
  }
  ~Scratch() { fs::remove_all(dir_); }
  const fs::path& dir() const { return dir_; }

 private:
  fs::path dir_;
};

// What one reference case reads and writes, and the fit it makes, taken from its recorded run.
struct Case {
  fs::path dir;
  std::string screen;
  std::map<std::string, std::string> outputs;  // every file the run writes, with its bytes
  std::vector<std::string> climate_files;
  std::string table;
  int collai = 0;
  std::array<int, 5> icod{};
  std::array<float, 5> var{};
  std::vector<float> stemp, yob, series_t;

  explicit Case(const std::string& name) : dir(fs::path(LAIFIT_CASES_DIR) / name) {
    screen = slurp(dir / "stdout");
    for (const auto& entry : fs::directory_iterator(dir / "out")) {
      const std::string file = entry.path().filename().string();
      const std::string bytes = slurp(entry.path());
      if (!fs::exists(dir / "in" / file) || slurp(dir / "in" / file) != bytes || file == "history.kvt") {
        outputs[file] = bytes;
      }
    }
    std::istringstream soj(slurp(dir / "in" / "param.soj"));
    std::vector<std::string> names;
    for (std::string line; names.size() < 3 && std::getline(soj, line);) {
      if (!words(line).empty()) names.push_back(words(line)[0]);
    }
    table = names[2];
    climate_files = {names[0]};
    std::istringstream trace(outputs["test.txt"]);
    bool series = false;
    int parameter = 0;
    for (std::string line; std::getline(trace, line);) {
      const auto w = words(line);
      if (w.size() == 3 && w[0] == "parameters" && parameter < 5) {
        icod[parameter] = std::stoi(w[1]);
        var[parameter++] = to_float(w[2]);
      }
      if (line.starts_with(" fin de lecture annee")) {
        if (w.back() == "12") climate_files.push_back(names[1]);
        series = true;
        continue;
      }
      if (line.starts_with(" avant appel a haus")) series = false;
      if (series && w.size() == 3) {
        stemp.push_back(to_float(w[1]));
        yob.push_back(to_float(w[2]));
      }
    }
    std::array<char, 200> header{};
    const std::string first = slurp(dir / "in" / table).substr(0, 200);
    std::fill(header.begin(), header.end(), ' ');
    std::copy(first.begin(), std::find(first.begin(), first.end(), '\n'), header.begin());
    collai = find_lai_column(header);
    // The daily series' thermal times, as the LAI file shows them.
    for (const auto& [file, bytes] : outputs) {
      if (file == "test.txt" || file.starts_with("tempobs") || file == "adjust_lai.txt" || file == "history.kvt")
        continue;
      std::istringstream lai(bytes);
      int line_number = 0;
      for (std::string line; std::getline(lai, line);) {
        if (++line_number > 8 && words(line).size() == 4) series_t.push_back(to_float(words(line)[3]));
      }
    }
  }
};

// Opens its standard output as the run's is: /dev/null, or a new file in place of the last one.
int open_screen(bool to_file, const fs::path& screen_file) {
  if (!to_file) return ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  ::unlink(screen_file.c_str());
  return ::open(screen_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

// Starts program in folder with its standard output on fd and waits for it; its exit status.
int spawn(const char* program, const fs::path& folder, int fd) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fd, STDOUT_FILENO);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  char* argv[] = {const_cast<char*>(program), nullptr};
  pid_t pid = 0;
  int status = -1;
  if (posix_spawn(&pid, program, &actions, nullptr, argv, environ) == 0) ::waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void write_blocks(int fd, std::string_view bytes) {
  for (std::size_t at = 0; at < bytes.size(); at += kBlock) {
    const std::string_view block = bytes.substr(at, kBlock);
    if (::write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) std::abort();
  }
}

void start_and_exit(bool to_file, const fs::path& folder) {
  const int fd = open_screen(to_file, folder / "screen.out");
  if (spawn(LAIFIT_START_EXIT, folder, fd) != 0) std::abort();
  ::close(fd);
}

void bytes(const Case& c, bool to_file, const fs::path& folder) {
  const int screen = open_screen(to_file, folder / "screen.out");
  write_blocks(screen, c.screen);
  ::close(screen);
  for (const auto& [file, content] : c.outputs) {
    const int fd = ::open((folder / file).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (!content.empty() && ::ftruncate(fd, 0) != 0) std::abort();
    write_blocks(fd, content);
    ::close(fd);
  }
}

// Every record of the run description, the observation table, the working files and the climate files,
// read with the statements the run reads them with.
void inputs(const Case& c, const platform::Folder& in, const platform::Folder& out) {
  std::string why;
  {
    Units units(in, std::make_unique<NullSink>());
    InputChannel& soj = units.open_input(13, "param.soj");
    FixedText<30> name;
    for (int k = 0; k < 4; ++k) read_list(soj, {name});
    std::int32_t a = 0, b = 0, y = 0;
    float v = 0;
    read_fixed(soj, Format("(i2,1x,i2,1x,i4)"), {a, b, y});
    read_list(soj, {a});
    read_list(soj, {v});
    for (int k = 0; k < 5; ++k) read_list(soj, {a, v});
    std::array<char, 200> entete{};
    InputChannel& table = units.open_input(14, c.table);
    while (read_fixed_or_end(table, Format("(200a1)"), {Dest::characters(entete)})) {
    }
    FixedText<7> station;
    std::int32_t an = 0, mois = 0, nday = 0, jour = 0;
    float tn = 0, tx = 0, rg = 0, etp = 0, rr = 0;
    for (const std::string& file : c.climate_files) {
      InputChannel& climate = units.open_input(21, file);
      while (read_list_or_end(climate, {station, an, mois, nday, jour, tn, tx, rg, etp, rr})) {
      }
    }
  }
  Units units(out, std::make_unique<NullSink>());
  std::array<float, 200> valeur{};
  std::array<std::int32_t, 4> idate{};
  InputChannel& rows = units.open_input(15, "tempobs2.txt");
  const auto values = std::span<float>(valeur).first(static_cast<std::size_t>(std::max(c.collai - 4, 1)));
  if (read_list_or_end(rows, {})) {
    while (read_list_or_end(rows, {std::span<std::int32_t>(idate), values})) {
    }
  }
  InputChannel& narrow = units.open_input(16, "tempobs.txt");
  std::array<std::int32_t, 3> date{};
  std::int32_t numjour = 0;
  float vlai = 0;
  while (read_list_or_end(narrow, {std::span<std::int32_t>(date), numjour, vlai})) {
  }
}

// The estimation with the curve functions and no output, then the daily series.
float fit(const Case& c) {
  CurveCoding coding;
  std::vector<float> start;
  std::int32_t nbpar = 0;
  for (std::size_t k = 0; k < 5; ++k) {
    coding.cst[k] = c.var[k];
    coding.icomb = coding.icomb * 10 + c.icod[k];
    if (c.icod[k] == 1) start.push_back(c.var[k]);
    nbpar += c.icod[k];
  }
  const CurveFunction f = curve_function(nbpar);
  const EstimatorModel model = [&](std::span<const float> par, std::span<float> ye) {
    for (std::size_t i = 0; i < ye.size(); ++i) ye[i] = f(par, nbpar, c.stemp[i], coding);
  };
  const std::vector<float> difz(start.size(), 1.0e-4f), signs(start.size(), 1.0f);
  EstimatorObserver silent;
  const EstimatorResult result =
      estimate(model, {.observed = c.yob, .start = start, .difference_steps = difz, .keep_sign = signs}, {}, silent);
  float last = 0;
  for (const float t : c.series_t)
    last = f == nullptr ? lai_curve(coding.cst, t) : f(result.estimates, nbpar, t, coding);
  return last;
}

struct Folders {
  Scratch scratch;
  platform::Folder in, out;
  explicit Folders(const Case& c) {
    std::string why;
    in = platform::open_folder(c.dir / "in", why);
    out = platform::open_folder(c.dir / "out", why);
  }
};

void StartExit(benchmark::State& state, bool to_file) {
  const Scratch scratch;
  for (auto _ : state) start_and_exit(to_file, scratch.dir());
}

void Bytes(benchmark::State& state, const std::string& name, bool to_file) {
  const Case c(name);
  const Scratch scratch;
  for (auto _ : state) bytes(c, to_file, scratch.dir());
}

void Inputs(benchmark::State& state, const std::string& name) {
  const Case c(name);
  const Folders folders(c);
  for (auto _ : state) inputs(c, folders.in, folders.out);
}

void Fit(benchmark::State& state, const std::string& name) {
  const Case c(name);
  for (auto _ : state) benchmark::DoNotOptimize(fit(c));
}

void Floor(benchmark::State& state, const std::string& name, bool to_file) {
  const Case c(name);
  const Folders folders(c);
  for (auto _ : state) {
    start_and_exit(to_file, folders.scratch.dir());
    bytes(c, to_file, folders.scratch.dir());
    inputs(c, folders.in, folders.out);
    benchmark::DoNotOptimize(fit(c));
  }
}

// The laifit program itself, started as a user starts it, in a copy of the case's run folder.
void Process(benchmark::State& state, const std::string& name, bool to_file) {
  const Case c(name);
  const Scratch scratch;
  for (const auto& entry : fs::directory_iterator(c.dir / "in")) {
    fs::copy_file(entry.path(), scratch.dir() / entry.path().filename());
    fs::permissions(scratch.dir() / entry.path().filename(), fs::perms::owner_read | fs::perms::owner_write);
  }
  const fs::path screen_file = scratch.dir().parent_path() / (scratch.dir().filename().string() + ".screen");
  for (auto _ : state) {
    const int fd = open_screen(to_file, screen_file);
    if (spawn(LAIFIT_BINARY, scratch.dir(), fd) != std::stoi(slurp(c.dir / "status"))) {
      state.SkipWithError("the run's exit status differs");
    }
    ::close(fd);
  }
  fs::remove(screen_file);
}

const char* const kCases[] = {"f21_big_fit_heavy", "f11_big_fit", "f03_all_five", "random_r101_0000"};

void register_all() {
  for (const bool to_file : {false, true}) {
    const std::string target = to_file ? "file" : "null";
    benchmark::RegisterBenchmark(("StartExit/" + target).c_str(), StartExit, to_file)->Unit(benchmark::kMillisecond);
    for (const char* name : kCases) {
      const std::string n = name;
      benchmark::RegisterBenchmark(("Floor/" + n + "/" + target).c_str(), Floor, n, to_file)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("Process/" + n + "/" + target).c_str(), Process, n, to_file)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("Bytes/" + n + "/" + target).c_str(), Bytes, n, to_file)
          ->Unit(benchmark::kMillisecond);
    }
  }
  for (const char* name : kCases) {
    const std::string n = name;
    benchmark::RegisterBenchmark(("Inputs/" + n).c_str(), Inputs, n)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Fit/" + n).c_str(), Fit, n)->Unit(benchmark::kMillisecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  register_all();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
