// Whole runs in process on the two largest reference runs, with the screen going to a null sink and to a
// file, against their lower bound: the same screen records, with the same items, formatted into memory.
// The screen is over 99% of what these runs write, so the ratio run / bound is the cost of everything
// that is not formatting the screen: the arithmetic, the input files, the other output files.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run.hpp"
#include "platform/files.hpp"
#include "platform/folder_path.hpp"
#include "records/output.hpp"

namespace {

namespace fs = std::filesystem;
using laifit::Item;

fs::path case_dir(const std::string& name) { return fs::path(LAIFIT_CASES_DIR) / name; }

// A run folder holding a copy of a case's inputs, kept for every iteration: a run rewrites its outputs.
class Folder {
 public:
  explicit Folder(const std::string& name) {
    std::string pattern = (fs::temp_directory_path() / "laifit-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    dir_ = pattern;
    for (const auto& entry : fs::directory_iterator(case_dir(name) / "in")) {
      fs::copy_file(entry.path(), dir_ / entry.path().filename());
      fs::permissions(dir_ / entry.path().filename(), fs::perms::owner_read | fs::perms::owner_write);
    }
    std::string why;
    folder_ = laifit::platform::open_folder(dir_, why);
    if (!folder_.is_open()) std::abort();
  }
  ~Folder() { fs::remove_all(dir_); }
  const laifit::platform::Folder& folder() const { return folder_; }
  const fs::path& dir() const { return dir_; }

 private:
  fs::path dir_;
  laifit::platform::Folder folder_;
};

struct Counts {
  std::size_t bytes = 0;
  std::size_t lines = 0;
};

// Counts what passes through, then hands it on; the counts outlive the sink, which the run owns.
class CountingSink : public laifit::ByteSink {
 public:
  CountingSink(std::unique_ptr<laifit::ByteSink> next, Counts& counts) : next_(std::move(next)), counts_(counts) {}
  bool put(std::string_view bytes, std::string& error) override {
    counts_.bytes += bytes.size();
    for (const char c : bytes) counts_.lines += c == '\n';
    return next_->put(bytes, error);
  }

 private:
  std::unique_ptr<laifit::ByteSink> next_;
  Counts& counts_;
};

void Run(benchmark::State& state, const std::string& name, bool to_file) {
  const Folder folder(name);
  const fs::path screen_file = folder.dir().parent_path() / (folder.dir().filename().string() + ".screen");
  // One untimed run counts the screen's bytes and records, so the timed runs carry no counting of their own.
  Counts counts;
  {
    std::string errors;
    auto counting = std::make_unique<CountingSink>(std::make_unique<laifit::NullSink>(), counts);
    if (laifit::run_laifit(folder.folder(), std::move(counting), errors) != 0) {
      state.SkipWithError("the run failed");
      return;
    }
  }
  for (auto _ : state) {
    std::unique_ptr<laifit::ByteSink> target;
    if (to_file) {
      // Emptying the previous iteration's screen file is set-up, not part of the run.
      state.PauseTiming();
      const int fd = ::open(screen_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      state.ResumeTiming();
      target = std::make_unique<laifit::FileSink>(laifit::platform::File::adopt(fd), false);
    } else {
      target = std::make_unique<laifit::NullSink>();
    }
    std::string errors;
    const int status = laifit::run_laifit(folder.folder(), std::move(target), errors);
    if (status != 0) state.SkipWithError("the run failed");
  }
  fs::remove(screen_file);
  const auto runs = static_cast<std::int64_t>(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(counts.bytes) * runs);
  state.SetItemsProcessed(static_cast<std::int64_t>(counts.lines) * runs);
  state.counters["screen_records"] = benchmark::Counter(static_cast<double>(counts.lines));
}

// The items of every screen record of a case, recovered from its recorded screen.
class ScreenRecords {
 public:
  explicit ScreenRecords(const std::string& name) {
    std::ifstream in(case_dir(name) / "stdout", std::ios::binary);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      records_.push_back(parse(line));
    }
  }
  const std::vector<std::vector<Item>>& records() const { return records_; }

 private:
  std::vector<Item> parse(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string s; in >> s;) w.push_back(s);
    // " debug-  <i> nob <nob> <par...> <npar> <t>": a model adapter line.
    if (w.size() >= 6 && w[0] == "debug-" && w[2] == "nob") {
      std::vector<Item> items{"debug-  ", integer(w[1]), "nob", integer(w[3])};
      const std::size_t npar = w.size() - 6;
      for (std::size_t k = 0; k < npar; ++k) items.emplace_back(real(w[4 + k]));
      items.emplace_back(integer(w[4 + npar]));
      items.emplace_back(real(w[5 + npar]));
      return items;
    }
    if (w.size() == 4 && w[0] == "debug-" && w[1] == "ajustement") {
      return {"debug-  ajustement", integer(w[2]), " parametres"};
    }
    // Any other line is one text: the leading blank is the record's own.
    return {Item(texts_.emplace_back(line.substr(1)))};
  }
  static std::int32_t integer(const std::string& s) { return std::stoi(s); }
  static float real(const std::string& s) {
    float v = 0.0f;
    std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
  }

  std::deque<std::string> texts_;
  std::vector<std::vector<Item>> records_;
};

void LowerBound(benchmark::State& state, const std::string& name) {
  const ScreenRecords screen(name);
  std::size_t bytes = 0;
  for (auto _ : state) {
    auto sink = std::make_unique<laifit::NullSink>();
    const laifit::NullSink& null = *sink;
    laifit::OutputChannel channel(6, "stdout", std::move(sink));
    for (const auto& items : screen.records()) channel.write_list(std::span<const Item>(items));
    channel.flush();
    bytes += null.bytes();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  state.SetItemsProcessed(static_cast<std::int64_t>(screen.records().size() * state.iterations()));
}

BENCHMARK_CAPTURE(Run, f11_big_fit_null, std::string("f11_big_fit"), false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, f11_big_fit_file, std::string("f11_big_fit"), true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LowerBound, f11_big_fit, std::string("f11_big_fit"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, f21_big_fit_heavy_null, std::string("f21_big_fit_heavy"), false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, f21_big_fit_heavy_file, std::string("f21_big_fit_heavy"), true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LowerBound, f21_big_fit_heavy, std::string("f21_big_fit_heavy"))->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
