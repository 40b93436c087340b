// Exhaustive proof that list_real writes, for every one of the 2^32 float bit patterns, the same 16
// characters as the std::to_chars path it replaced (tests/records/list_real_reference.hpp), and that it
// raises no floating-point flag on any of them. Two threads take one half of the patterns each.
//
// Usage: formatter_proof [first last]   (hexadecimal bounds of a sub-range, both included)

#include <bit>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "list_real_reference.hpp"
#include "records/edit.hpp"
#include "records/fpflags.hpp"

namespace {

using laifit::TextBuffer;

constexpr std::uint64_t kBlock = 4096;  // patterns formatted by the new path before their flags are read

struct Tally {
  std::uint64_t compared = 0;
  std::uint64_t mismatches = 0;
  std::uint64_t flagged_blocks = 0;  // blocks in which the new path raised a reported flag
};

std::mutex g_print;

void report_mismatch(std::uint32_t bits, const char* got, const char* want) {
  const std::lock_guard<std::mutex> lock(g_print);
  std::printf("MISMATCH %08" PRIx32 " new [%.16s] reference [%.16s]\n", bits, got, want);
  std::fflush(stdout);
}

// Patterns first … last, both included.
void prove(std::uint64_t first, std::uint64_t last, Tally& tally, int thread) {
  TextBuffer fresh(kBlock * 16);
  TextBuffer reference(64);
  const auto start = std::chrono::steady_clock::now();
  std::uint64_t next_report = first + (std::uint64_t{1} << 28);
  for (std::uint64_t lo = first; lo <= last; lo += kBlock) {
    const std::uint64_t hi = lo + kBlock - 1 < last ? lo + kBlock - 1 : last;
    fresh.clear();
    laifit::clear_fp_flags();
    for (std::uint64_t u = lo; u <= hi; ++u) {
      laifit::list_real(fresh, std::bit_cast<float>(static_cast<std::uint32_t>(u)));
    }
    if (laifit::raised_fp_flags().any()) {
      ++tally.flagged_blocks;
      const std::lock_guard<std::mutex> lock(g_print);
      std::printf("FLAG raised in block %08" PRIx64 "\n", lo);
    }
    if (fresh.size() != (hi - lo + 1) * 16) {  // every field is 16 characters, or none lines up
      ++tally.mismatches;
      const std::lock_guard<std::mutex> lock(g_print);
      std::printf("LENGTH %zu for block %08" PRIx64 "\n", fresh.size(), lo);
      continue;
    }
    const char* got = fresh.data();
    for (std::uint64_t u = lo; u <= hi; ++u, got += 16) {
      reference.clear();
      laifit::reference::list_real(reference, std::bit_cast<float>(static_cast<std::uint32_t>(u)));
      ++tally.compared;
      if (reference.size() != 16 || std::memcmp(got, reference.data(), 16) != 0) {
        if (++tally.mismatches <= 20) report_mismatch(static_cast<std::uint32_t>(u), got, reference.data());
      }
    }
    if (hi >= next_report) {
      next_report += std::uint64_t{1} << 28;
      const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      const std::lock_guard<std::mutex> lock(g_print);
      std::printf("thread %d at %08" PRIx64 ": %" PRIu64 " compared, %" PRIu64 " mismatches, %.0f s\n", thread, hi,
                  tally.compared, tally.mismatches, s);
      std::fflush(stdout);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t first = 0;
  std::uint64_t last = 0xFFFFFFFFu;
  if (argc == 3) {
    first = std::strtoull(argv[1], nullptr, 16);
    last = std::strtoull(argv[2], nullptr, 16);
  }
  if ((argc != 1 && argc != 3) || first > last || last > 0xFFFFFFFFu) {
    std::fprintf(stderr, "usage: formatter_proof [first last]\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const std::uint64_t middle = first + (last - first) / 2;
  Tally a;
  Tally b;
  std::thread other([&] { prove(middle + 1, last, b, 1); });
  prove(first, middle, a, 0);
  other.join();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const std::uint64_t compared = a.compared + b.compared;
  const std::uint64_t mismatches = a.mismatches + b.mismatches;
  const std::uint64_t flagged = a.flagged_blocks + b.flagged_blocks;
  std::printf("patterns %08" PRIx64 "..%08" PRIx64 ": %" PRIu64 " compared, %" PRIu64 " mismatches, %" PRIu64
              " blocks with a raised flag, %.1f s\n",
              first, last, compared, mismatches, flagged, seconds);
  const bool complete = compared == last - first + 1;
  std::printf(complete && mismatches == 0 && flagged == 0 ? "PROVED\n" : "FAILED\n");
  return complete && mismatches == 0 && flagged == 0 ? 0 : 1;
}
