// Memory mapped ahead of a run is there when the run first touches it: a heap block and the stack below
// the caller, within what was asked for, fault no page in.

#include "platform/memory.hpp"

#include <gtest/gtest.h>

#if defined(__linux__) && defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
#include <sys/resource.h>

#include <cstdlib>

namespace laifit::platform {
namespace {

constexpr std::size_t kPage = 4096;

long minor_faults() {
  rusage use{};
  getrusage(RUSAGE_SELF, &use);
  return use.ru_minflt;
}

// Writes a byte of each page of 32 KiB of stack below its caller's frame.
[[gnu::noinline]] void touch_stack() {
  volatile char frame[32 * 1024];
  for (std::size_t at = 0; at < sizeof frame; at += kPage) frame[at] = 1;
  frame[sizeof frame - 1] = 1;
}

TEST(PrepareMemory, AHeapBlockAndTheStackTouchedAfterwardsFaultNoPage) {
  // Larger than the C library's default threshold for a mapping of its own, which would fault page by page.
  constexpr std::size_t kBlock = 192 * 1024;
  prepare_memory(kBlock + 64 * 1024);
  const long before = minor_faults();
  auto* block = static_cast<volatile char*>(std::malloc(kBlock));
  ASSERT_NE(block, nullptr);
  for (std::size_t at = 0; at < kBlock; at += kPage) block[at] = 1;
  touch_stack();
  const long faults = minor_faults() - before;
  std::free(const_cast<char*>(block));
  // Without the mapping ahead the block alone faults in 48 pages.
  EXPECT_LE(faults, 4);
}

}  // namespace
}  // namespace laifit::platform
#endif
