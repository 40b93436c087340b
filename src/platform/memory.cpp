#include "platform/memory.hpp"

#if defined(__linux__)
#include <link.h>
#include <sys/mman.h>
#endif
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cstdint>
#include <cstdlib>

namespace laifit::platform {

#if defined(__linux__) && defined(MADV_POPULATE_READ) && defined(MADV_POPULATE_WRITE)

namespace {

constexpr std::uintptr_t kPage = 4096;
// What a run uses of its stack, with room to spare: its deepest calls are a few tens of KiB deep.
constexpr std::uintptr_t kStackAhead = 64 * 1024;

std::uintptr_t page_down(std::uintptr_t at) { return at & ~(kPage - 1); }
std::uintptr_t page_up(std::uintptr_t at) { return page_down(at + kPage - 1); }

void populate(std::uintptr_t from, std::uintptr_t to, int advice) {
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, advice);
}

// The program's own segments that are not written: its code and constants, read from the page cache.
int map_read_only_segments(dl_phdr_info* info, std::size_t, void*) {
  for (std::size_t i = 0; i < info->dlpi_phnum; ++i) {
    const auto& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_LOAD || (segment.p_flags & PF_W) != 0) continue;
    const std::uintptr_t start = info->dlpi_addr + segment.p_vaddr;
    populate(page_down(start), page_up(start + segment.p_memsz), MADV_POPULATE_READ);
  }
  return 1;  // the first object is the program itself
}

}  // namespace

void prepare_memory(std::size_t heap_bytes) {
  dl_iterate_phdr(map_read_only_segments, nullptr);
#if defined(__GLIBC__)
  // Blocks up to 1 MiB (the screen's block among them) come from the heap mapped here rather than from
  // mappings of their own, and freed memory is kept for the next block instead of faulting in again.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 20);
#endif
  // A block as large as the heap wanted grows the heap to that size; freed, it is what later blocks take.
  if (void* block = std::malloc(heap_bytes)) {
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    populate(page_up(start), page_down(start + heap_bytes), MADV_POPULATE_WRITE);
    std::free(block);
  }
  const char here = 0;
  const std::uintptr_t top = page_down(reinterpret_cast<std::uintptr_t>(&here));
  populate(top - kStackAhead, top, MADV_POPULATE_WRITE);
}

#else

void prepare_memory(std::size_t) {}

#endif

}  // namespace laifit::platform
