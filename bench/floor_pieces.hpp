#pragma once
// The pieces of a run's floor, each the fastest way known to do that piece of a reference run's work,
// written for the benchmark and independent of laifit's code: the warm floor (bench/honest_floor) runs
// them inside its own process, the cold one (bench/floor_cold) in a program started for each run.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace floor_pieces {

// What the curve, the estimator and the reading of the inputs need of a run.
struct Work {
  std::vector<float> stemp;                 // each observation's thermal time
  std::vector<std::array<float, 5>> calls;  // the five parameters of every model call
  std::vector<float> yob;                   // the observations
  std::array<float, 5> final{};             // the parameters of the daily series
  std::vector<float> series_t;              // its thermal times
  int np = 0, iterations = 0;
  std::vector<std::string> reads;  // the run description, climate files, observation table, working files
};

// ---- the floor's exponential: the float nearest to e^x, as laifit stores it ----

struct ExpTable {
  std::array<double, 256> power{};  // 2^(j/256)
  ExpTable() {
    for (int j = 0; j < 256; ++j) power[std::size_t(j)] = double(std::exp2l((long double)j / 256.0L));
  }
};
inline const ExpTable kTable;

// e^x through 2^(k/256) and a degree-4 polynomial, used when the double lies more than 256 units of its
// last place from a float rounding boundary; +0 from -104 down; otherwise the long double exp.
inline float floor_exp(double x) {
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

// ---- bytes ----

constexpr std::size_t kBlock = 1 << 18;

// The block that the bytes at offset at of a file go in: 64 KiB blocks while the file is short, whose
// fewer pages cost less than the writes they add, then 256 KiB ones.
inline std::size_t block_at(std::uint64_t at) { return at < (2u << 20) ? std::size_t(1) << 16 : kBlock; }

// A file's bytes, read with one call into a buffer that is kept from run to run; empty data when the
// file cannot be read.
inline std::string_view read_file(const char* path, std::vector<char>& buffer) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    if (fd >= 0) ::close(fd);
    return {};
  }
  buffer.resize(std::size_t(st.st_size) + 1);
  const ssize_t n = ::read(fd, buffer.data(), buffer.size());
  ::close(fd);
  return {buffer.data(), std::size_t(std::max<ssize_t>(n, 0))};
}

// Every number of text (fields separated by blanks, tabs, ';' or line ends) into values; a field that is
// not a number (a station name, a header) is skipped. Returns the count.
inline std::size_t numbers(std::string_view text, std::vector<float>& values) {
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

// The count of numbers read from every input and working file.
inline std::size_t inputs(const Work& w, InputBuffers& b) {
  std::size_t count = 0;
  for (const std::string& file : w.reads) count += numbers(read_file(file.c_str(), b.bytes), b.values);
  return count;
}

// ---- the curve ----

// The curve at every t, in passes, as laifit rounds it: each formula in double, each result to float.
inline void curve(const std::array<float, 5>& p, std::span<const float> t, std::span<float> out, std::vector<float>& a,
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

inline void curves(const Work& w, CurveBuffers& cb) {
  const std::size_t n = w.stemp.size();
  cb.values.resize(w.calls.size() * n);
  for (std::size_t k = 0; k < w.calls.size(); ++k)
    curve(w.calls[k], w.stemp, std::span<float>(cb.values).subspan(k * n, n), cb.a, cb.b);
  cb.series.resize(w.series_t.size());
  curve(w.final, w.series_t, cb.series, cb.a, cb.b);
}

// ---- the estimator ----

// Solves the n x n system m x = v in place (Gauss-Jordan, no pivoting), each value rounded to float.
inline void solve(std::span<float> m, std::span<float> v, std::size_t n) {
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
inline float estimator(const Work& w, const CurveBuffers& cb) {
  const std::size_t n = std::min(w.stemp.size(), w.yob.size()), np = std::size_t(w.np), stride = w.stemp.size();
  if (w.calls.empty()) return 0;
  std::vector<float> r(n), jac(n * np);
  float total = 0;
  for (std::size_t k = 0; k < w.calls.size(); ++k) {
    float sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
      r[i] = float(double(w.yob[i]) - cb.values[k * stride + i]);
      sum = float(double(sum) + double(r[i]) * r[i]);
    }
    total += sum;
  }
  const std::size_t solves = w.calls.size() - 1 - std::min(w.calls.size() - 1, std::size_t(w.iterations) * np);
  std::array<float, 25> m{};
  std::array<float, 5> v{};
  for (int it = 0; it < w.iterations; ++it) {
    const std::size_t base = (std::size_t(it) * (np + 1)) % std::max<std::size_t>(1, w.calls.size() - np);
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
    const std::size_t trials = std::max<std::size_t>(1, solves / std::size_t(w.iterations));
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

// ---- a run's work as one file, for the floor run as a program of its own ----
//
// The file is a header (its own length first, as 8 bytes) of the work's numbers and paths and of a table
// of the files to write (the screen first, named "", each at an offset from the header's end), then those
// files' bytes.

struct Part {
  std::string name;
  std::uint64_t offset = 0, size = 0;  // in the file, once decoded
};

class Encoder {
 public:
  template <typename T>
  void value(const T& v) {
    text_.append(reinterpret_cast<const char*>(&v), sizeof v);
  }
  template <typename T>
  void values(std::span<const T> v) {
    value(std::uint64_t(v.size()));
    text_.append(reinterpret_cast<const char*>(v.data()), v.size_bytes());
  }
  void text(std::string_view t) { values(std::span<const char>(t.data(), t.size())); }
  std::string& bytes() { return text_; }

 private:
  std::string text_;
};

class Decoder {
 public:
  explicit Decoder(std::string_view bytes) : rest_(bytes) {}
  template <typename T>
  bool value(T& v) {
    if (rest_.size() < sizeof v) return false;
    std::memcpy(&v, rest_.data(), sizeof v);
    rest_.remove_prefix(sizeof v);
    return true;
  }
  template <typename T>
  bool values(std::vector<T>& v) {
    std::uint64_t n = 0;
    if (!value(n) || rest_.size() / sizeof(T) < n) return false;
    v.resize(n);
    std::memcpy(v.data(), rest_.data(), n * sizeof(T));
    rest_.remove_prefix(n * sizeof(T));
    return true;
  }
  bool text(std::string& t) {
    std::vector<char> v;
    if (!values(v)) return false;
    t.assign(v.begin(), v.end());
    return true;
  }

 private:
  std::string_view rest_;
};

// The work and the files to write, with their bytes, as the file's contents.
inline std::string encode(const Work& w, std::span<const std::pair<std::string, std::string_view>> files) {
  Encoder e;
  e.value(std::uint64_t(0));  // the header's length, set below
  e.value(w.np);
  e.value(w.iterations);
  e.values(std::span<const float>(w.stemp));
  e.values(std::span<const std::array<float, 5>>(w.calls));
  e.values(std::span<const float>(w.yob));
  e.value(w.final);
  e.values(std::span<const float>(w.series_t));
  e.value(std::uint64_t(w.reads.size()));
  for (const std::string& r : w.reads) e.text(r);
  e.value(std::uint64_t(files.size()));
  std::uint64_t offset = 0;  // from the header's end
  for (const auto& [name, bytes] : files) {
    e.text(name);
    e.value(offset);
    e.value(std::uint64_t(bytes.size()));
    offset += bytes.size();
  }
  const std::uint64_t header = e.bytes().size();
  std::memcpy(e.bytes().data(), &header, sizeof header);
  for (const auto& [name, bytes] : files) e.bytes().append(bytes);
  return std::move(e.bytes());
}

// The work and the table of files from the file's header; false when the header is not whole.
inline bool decode(std::string_view header, Work& w, std::vector<Part>& parts) {
  Decoder d(header);
  std::uint64_t length = 0, reads = 0, files = 0;
  if (!d.value(length) || !d.value(w.np) || !d.value(w.iterations) || !d.values(w.stemp) || !d.values(w.calls) ||
      !d.values(w.yob) || !d.value(w.final) || !d.values(w.series_t) || !d.value(reads))
    return false;
  w.reads.resize(reads);
  for (std::string& r : w.reads)
    if (!d.text(r)) return false;
  if (!d.value(files)) return false;
  parts.resize(files);
  for (Part& part : parts) {
    if (!d.text(part.name) || !d.value(part.offset) || !d.value(part.size)) return false;
    part.offset += length;
  }
  return true;
}

}  // namespace floor_pieces
