// The whole-run fuzz input (run_input.hpp): its sections, the scratch folder, the structure-aware mutator
// and crossover, and the openat wrapper, shared by fuzz_run and fuzz_inspect.
//
// The custom mutator changes one section at a time, often one line or one field of it, so that most
// mutants stay readable input and the run gets through the extraction into the climate reading, the
// fit and the result files.

#include "run_input.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/folder_path.hpp"

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t max_size);

// The run may open files only inside the scratch folder: a name read from param.soj that is absolute
// or climbs out with ".." is refused as if the file could not be opened (the run then ends with its
// usual diagnostic), so that a fuzzed name never creates or truncates a file elsewhere.
extern "C" int __real_openat(int dir_fd, const char* path, int flags, ...);
extern "C" int __wrap_openat(int dir_fd, const char* path, int flags, ...) {
  mode_t mode = 0;
  if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
    va_list args;
    va_start(args, flags);
    mode = static_cast<mode_t>(va_arg(args, int));
    va_end(args);
  }
  const std::string_view p(path);
  bool escapes = p.empty() ? false : p.front() == '/';
  for (std::size_t start = 0; !escapes && start <= p.size();) {
    const std::size_t slash = std::min(p.find('/', start), p.size());
    escapes = p.substr(start, slash - start) == "..";
    start = slash + 1;
  }
  if (escapes) {
    errno = EACCES;
    return -1;
  }
  return __real_openat(dir_fd, path, flags, mode);
}

namespace laifit::fuzz {

std::vector<std::string> split_sections(std::string_view input) {
  std::vector<std::string> sections;
  std::size_t start = 0;
  while (true) {
    const std::size_t at = input.find(kSeparator, start);
    if (at == std::string_view::npos) {
      // Bytes after the last separator form an unterminated last section.
      if (start < input.size()) sections.emplace_back(input.substr(start));
      return sections;
    }
    sections.emplace_back(input.substr(start, at - start));
    start = at + kSeparator.size();
  }
}

std::string join_sections(const std::vector<std::string>& sections) {
  std::string out;
  for (const auto& s : sections) {
    out += s;
    out += kSeparator;
  }
  return out;
}

void fail(const std::string& what) {
  std::fprintf(stderr, "run fuzzer: %s\n", what.c_str());
  std::abort();
}

Scratch::Scratch() {
  const char* shm = "/dev/shm";
  const std::filesystem::path base = ::access(shm, W_OK) == 0 ? shm : std::filesystem::temp_directory_path();
  std::string pattern = (base / "laifit-fuzz-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) fail("mkdtemp failed");
  path_ = pattern;
  fd_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) fail("cannot open the scratch folder");
  std::string why;
  folder_ = laifit::platform::open_folder(path_, why);
  if (!folder_.is_open()) fail("cannot open the scratch folder: " + why);
}

Scratch::~Scratch() {
  ::close(fd_);
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void Scratch::clear() const {
  DIR* dir = ::fdopendir(::dup(fd_));
  if (dir == nullptr) fail("cannot list the scratch folder");
  std::vector<std::string> names;
  while (const dirent* e = ::readdir(dir)) {
    const std::string_view name(e->d_name);
    if (name != "." && name != "..") names.emplace_back(name);
  }
  ::closedir(dir);
  for (const auto& name : names) {
    if (::unlinkat(fd_, name.c_str(), 0) != 0 && ::unlinkat(fd_, name.c_str(), AT_REMOVEDIR) != 0) {
      fail("cannot empty the scratch folder");
    }
  }
}

void Scratch::write(const char* name, std::string_view content) const {
  const int fd = ::openat(fd_, name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) fail(std::string("cannot create ") + name);
  for (std::size_t done = 0; done < content.size();) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n <= 0) fail(std::string("cannot write ") + name);
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
}

void Scratch::write_sections(std::string_view input) const {
  clear();
  const auto sections = split_sections(input);
  for (std::size_t k = 0; k < sections.size() && k < kFileNames.size(); ++k) write(kFileNames[k], sections[k]);
}

Scratch& scratch() {
  static Scratch instance;
  return instance;
}

// How many file descriptors the process holds.
std::size_t open_descriptors() {
  std::size_t n = 0;
  for (auto it = std::filesystem::directory_iterator("/proc/self/fd"); it != std::filesystem::directory_iterator();
       ++it)
    ++n;
  return n;
}

}  // namespace laifit::fuzz

namespace {

using namespace laifit::fuzz;

// ---- Structure-aware mutation ----

using Rng = std::minstd_rand;

std::size_t pick(Rng& rng, std::size_t n) {
  return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
}
bool chance(Rng& rng, unsigned percent) { return pick(rng, 100) < percent; }

// Values that sit on the edges of what the reads and tables accept.
constexpr std::array<std::string_view, 71> kTokens = {
    "0",         "1",          "-1",         "2",           "3",           "4",
    "5",         "9",          "10",         "59",          "60",          "365",
    "366",       "367",        "731",        "732",         "799",         "800",
    "801",       "2147483647", "2147483648", "-2147483648", "-2147483649", "99999999999",
    "0.0",       "-0.0",       "0.5",        "1e-5",        "1e38",        "3.4028235e38",
    "3.5e38",    "1e39",       "-1e39",      "1.4e-45",     "1e-46",       "1d2",
    "1.5+3",     "NaN",        "-nan",       "Inf",         "-Infinity",   "-999.99",
    "4.0",       "1000",       "5000",       "1e5",         "2*",          "3*1",
    "1*-1",      "0*5",        "/",          "''",          "'a b'",       "\"q\"",
    "lai(n)",    "LAI(n)",     ";",          ";;",          ",",           " ",
    "",          "15/04/2011", " 5/ 4/2011", "29/02/2012",  "31/12/2011",  "01/01/2012",
    "param.soj", "test.txt",   "clim1.txt",  "obs.csv",     "tempobs.txt"};

std::string mutate_bytes(std::string_view s, std::size_t room) {
  std::string buf(s);
  const std::size_t cap = s.size() + std::max<std::size_t>(room, 1);
  buf.resize(cap);
  const std::size_t n = LLVMFuzzerMutate(reinterpret_cast<std::uint8_t*>(buf.data()), s.size(), cap);
  buf.resize(n);
  return buf;
}

struct Span {
  std::size_t begin;
  std::size_t end;
};

// Lines of a section, without their line feed.
std::vector<Span> lines_of(const std::string& s) {
  std::vector<Span> lines;
  std::size_t start = 0;
  while (start <= s.size()) {
    const std::size_t lf = s.find('\n', start);
    const std::size_t end = lf == std::string::npos ? s.size() : lf;
    lines.push_back({start, end});
    if (lf == std::string::npos) break;
    start = lf + 1;
  }
  return lines;
}

// Fields of a line, as the readers split values: blanks, tabs, commas, semicolons and slashes.
std::vector<Span> fields_of(std::string_view line, std::size_t offset) {
  std::vector<Span> fields;
  auto is_sep = [](char c) { return c == ' ' || c == '\t' || c == ',' || c == ';' || c == '/' || c == '\r'; };
  std::size_t k = 0;
  while (k < line.size()) {
    while (k < line.size() && is_sep(line[k])) ++k;
    const std::size_t b = k;
    while (k < line.size() && !is_sep(line[k])) ++k;
    if (k > b) fields.push_back({offset + b, offset + k});
  }
  return fields;
}

// A numeric field moved a little, or far.
std::string nudge(std::string_view field, Rng& rng) {
  char* end = nullptr;
  const std::string f(field);
  const double v = std::strtod(f.c_str(), &end);
  if (end == f.c_str()) return std::string(kTokens[pick(rng, kTokens.size())]);
  const bool integral = f.find_first_of(".eEdD") == std::string::npos;
  double w = v;
  switch (pick(rng, 7)) {
    case 0: w = v + 1; break;
    case 1: w = v - 1; break;
    case 2: w = -v; break;
    case 3: w = v * 2; break;
    case 4: w = v / 2; break;
    case 5: w = v * 1e6; break;
    default: w = v + static_cast<double>(pick(rng, 21)) - 10; break;
  }
  char out[64];
  if (integral && std::abs(w) < 1e15) {
    std::snprintf(out, sizeof out, "%lld", static_cast<long long>(w));
  } else {
    std::snprintf(out, sizeof out, "%.*g", static_cast<int>(pick(rng, 9) + 1), w);
  }
  return out;
}

void mutate_section(std::string& s, std::size_t room, Rng& rng) {
  const auto lines = lines_of(s);
  const unsigned how = static_cast<unsigned>(pick(rng, 100));
  if (how < 15 || s.empty()) {  // the whole section
    s = mutate_bytes(s, room);
    return;
  }
  const Span line = lines[pick(rng, lines.size())];
  if (how < 45) {  // one line
    const std::string changed =
        mutate_bytes(std::string_view(s).substr(line.begin, line.end - line.begin), std::min<std::size_t>(room, 256));
    s.replace(line.begin, line.end - line.begin, changed);
    return;
  }
  if (how < 85) {  // one field
    const auto fields = fields_of(std::string_view(s).substr(line.begin, line.end - line.begin), line.begin);
    if (fields.empty()) {
      s.insert(line.begin, kTokens[pick(rng, kTokens.size())]);
      return;
    }
    const Span f = fields[pick(rng, fields.size())];
    const std::string_view old = std::string_view(s).substr(f.begin, f.end - f.begin);
    std::string replacement;
    switch (pick(rng, 3)) {
      case 0: replacement = kTokens[pick(rng, kTokens.size())]; break;
      case 1: replacement = nudge(old, rng); break;
      default: replacement = mutate_bytes(old, 16); break;
    }
    s.replace(f.begin, f.end - f.begin, replacement);
    return;
  }
  // Whole lines: delete, duplicate, swap with the next, insert a blank one.
  const std::string text = s.substr(line.begin, line.end - line.begin);
  const std::size_t after = line.end < s.size() ? line.end + 1 : s.size();
  switch (pick(rng, 4)) {
    case 0: s.erase(line.begin, after - line.begin); break;
    case 1: s.insert(line.begin, text + "\n"); break;
    case 2: {
      if (after >= s.size()) break;
      const std::size_t next_end = std::min(s.find('\n', after), s.size());
      const std::string next = s.substr(after, next_end - after);
      s.replace(line.begin, next_end - line.begin, next + "\n" + text);
      break;
    }
    default: s.insert(line.begin, pick(rng, 2) == 0 ? "\n" : "  \t\r\n"); break;
  }
}

}  // namespace

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t max_size,
                                               unsigned int seed) {
  Rng rng(seed);
  std::vector<std::string> sections = split_sections(std::string_view(reinterpret_cast<const char*>(data), size));
  if (chance(rng, 4) || sections.empty()) return LLVMFuzzerMutate(data, size, max_size);

  if (chance(rng, 2)) {
    // A file appears or disappears.
    if (sections.size() > 1 && chance(rng, 50)) {
      sections.pop_back();
    } else if (sections.size() < kFileNames.size()) {
      sections.emplace_back();
    }
  } else {
    // param.soj and the observation table are small and decide the most; the climate files follow.
    static constexpr std::array<unsigned, 4> kWeights = {35, 30, 25, 10};
    unsigned r = static_cast<unsigned>(pick(rng, 100));
    std::size_t s = 0;
    while (s + 1 < kWeights.size() && r >= kWeights[s]) r -= kWeights[s++];
    s = std::min(s, sections.size() - 1);
    const std::size_t total = join_sections(sections).size();
    const std::size_t room = max_size > total ? max_size - total : 0;
    mutate_section(sections[s], room, rng);
  }
  const std::string out = join_sections(sections);
  if (out.size() > max_size) return LLVMFuzzerMutate(data, size, max_size);
  std::memcpy(data, out.data(), out.size());
  return out.size();
}

// Each file of the child comes whole from one parent or the other.
extern "C" std::size_t LLVMFuzzerCustomCrossOver(const std::uint8_t* data1, std::size_t size1,
                                                 const std::uint8_t* data2, std::size_t size2, std::uint8_t* out,
                                                 std::size_t max_out_size, unsigned int seed) {
  Rng rng(seed);
  const auto a = split_sections(std::string_view(reinterpret_cast<const char*>(data1), size1));
  const auto b = split_sections(std::string_view(reinterpret_cast<const char*>(data2), size2));
  std::vector<std::string> child;
  for (std::size_t k = 0; k < std::max(a.size(), b.size()); ++k) {
    const bool from_a = k >= b.size() || (k < a.size() && chance(rng, 50));
    child.push_back(from_a ? a[k] : b[k]);
  }
  const std::string joined = join_sections(child);
  if (joined.size() > max_out_size) return 0;
  std::memcpy(out, joined.data(), joined.size());
  return joined.size();
}
