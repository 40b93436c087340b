#pragma once
// A scratch run folder for end-to-end tests: the test writes the inputs, runs the real laifit binary in
// the folder and reads back every file, the screen, standard error and the exit status.

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/read_file.hpp"
#include "support/process.hpp"
#include "support/scratch.hpp"

namespace laifit::testing {

// text with the first occurrence of from replaced by to.
inline std::string substitute(const std::string& text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  if (at == std::string::npos) throw std::logic_error("substitute: '" + from + "' not found");
  std::string out;
  out.append(text, 0, at);
  out.append(to);
  out.append(text, at + from.size());
  return out;
}

// Shell-style match of the whole text: '*' stands for any characters, '?' for one.
inline bool glob_match(std::string_view text, std::string_view pattern) {
  std::size_t t = 0, p = 0, star = std::string_view::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
      ++t, ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

class RunFolder {
 public:
  RunFolder() : root_(make_scratch_folder("laifit-e2e")) { std::filesystem::create_directory(dir()); }
  ~RunFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  RunFolder(const RunFolder&) = delete;
  RunFolder& operator=(const RunFolder&) = delete;

  std::filesystem::path dir() const { return root_ / "run"; }

  void write(const std::string& name, const std::string& content) const {
    std::ofstream(dir() / name, std::ios::binary) << content;
  }
  std::string read(const std::string& name) const { return slurp(dir() / name); }
  bool exists(const std::string& name) const { return std::filesystem::exists(dir() / name); }

  // Every regular file of the folder with its contents.
  std::map<std::string, std::string> files() const {
    std::map<std::string, std::string> all;
    for (const auto& entry : std::filesystem::directory_iterator(dir())) {
      if (entry.is_regular_file()) all[entry.path().filename().string()] = read(entry.path().filename().string());
    }
    return all;
  }

  struct Result {
    int status = -1;
    std::string screen;
    std::string errors;
  };

#ifdef LAIFIT_BINARY
  // Runs the laifit binary in the folder, standard output to screen_target (default: captured).
  Result run(const std::string& screen_target = "", const std::vector<std::string>& args = {}) const {
    const std::filesystem::path out = screen_target.empty() ? root_ / "stdout" : std::filesystem::path(screen_target);
    Result r;
    r.status = run_program(LAIFIT_BINARY, dir(), out, root_ / "stderr", args);
    r.screen = screen_target.empty() ? slurp(root_ / "stdout") : "";
    r.errors = slurp(root_ / "stderr");
    return r;
  }
#endif

  // Runs laifit in this process, the screen captured.
  Result run_in_process() const;

 private:
  static std::string slurp(const std::filesystem::path& p) { return platform::read_file(p).value_or(""); }

  std::filesystem::path root_;
};

}  // namespace laifit::testing

#include "driver/run.hpp"
#include "platform/folder_path.hpp"

namespace laifit::testing {

inline RunFolder::Result RunFolder::run_in_process() const {
  std::string why;
  const platform::Folder folder = platform::open_folder(dir(), why);
  if (!folder.is_open()) throw std::runtime_error("cannot open the run folder: " + why);
  Result r;
  r.status = run_laifit(folder, std::make_unique<StringSink>(r.screen), r.errors);
  return r;
}

}  // namespace laifit::testing
