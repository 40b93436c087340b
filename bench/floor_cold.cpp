// The floor of one reference run as a program of its own, started afresh for each run as laifit is:
// it reads the work that bench/honest_floor prepared, writes the run's screen to its standard output and
// the run's files into its current folder, reads the inputs, evaluates the curves and does the
// estimator's sums and solves. Linked statically, with nothing of laifit's code.
//
//   floor_cold WORK-FILE     exits 0 when every piece ran, 1 otherwise

#include <malloc.h>
#include <sys/mman.h>

#include <cstdlib>

#include "floor_pieces.hpp"

using namespace floor_pieces;

namespace {

bool read_at(int fd, char* data, std::uint64_t size, std::uint64_t offset) {
  while (size > 0) {
    const ssize_t got = ::pread(fd, data, size, static_cast<off_t>(offset));
    if (got <= 0) return false;
    data += got;
    size -= std::uint64_t(got);
    offset += std::uint64_t(got);
  }
  return true;
}

// A file's bytes, copied block by block from the work file through one buffer, as laifit's are copied
// from its records into its output block.
bool copy_out(int from, const Part& part, int to, std::vector<char>& block) {
  for (std::uint64_t at = 0; at < part.size; at += block_at(at)) {
    const std::uint64_t n = std::min<std::uint64_t>(block_at(at), part.size - at);
    if (!read_at(from, block.data(), n, part.offset + at) || ::write(to, block.data(), n) != ssize_t(n)) return false;
  }
  return true;
}

// Every file written over and ended after its new bytes, as the warm floor and laifit write them.
bool bytes(int work, const std::vector<Part>& parts, std::vector<char>& block) {
  block.resize(kBlock);
  for (const Part& part : parts) {
    if (part.name.empty()) {
      if (!copy_out(work, part, STDOUT_FILENO, block)) return false;
      continue;
    }
    const int fd = ::open(part.name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    const bool ok = fd >= 0 && copy_out(work, part, fd, block) && ::ftruncate(fd, off_t(part.size)) == 0;
    if (fd >= 0) ::close(fd);
    if (!ok) return false;
  }
  return true;
}

// Maps the heap the pieces will take (the block, the curve values and the buffers) and the top of the
// stack with one call each: on a virtual machine a page's first touch costs more than mapping it ahead.
void map_ahead(const Work& w) {
  const std::size_t n = std::max(w.stemp.size(), w.series_t.size());
  const std::size_t heap = kBlock + sizeof(float) * (w.calls.size() * w.stemp.size() + 3 * n) + (256 << 10);
  mallopt(M_MMAP_THRESHOLD, 16 << 20);
  mallopt(M_TRIM_THRESHOLD, 16 << 20);
  if (void* block = std::malloc(heap)) {
    ::madvise(reinterpret_cast<void*>((reinterpret_cast<std::uintptr_t>(block) + 4095) & ~std::uintptr_t(4095)),
              heap - 4096, MADV_POPULATE_WRITE);
    std::free(block);
  }
  const char here = 0;
  const std::uintptr_t top = reinterpret_cast<std::uintptr_t>(&here) & ~std::uintptr_t(4095);
  ::madvise(reinterpret_cast<void*>(top - (64 << 10)), 64 << 10, MADV_POPULATE_WRITE);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 1;
  const int work_file = ::open(argv[1], O_RDONLY | O_CLOEXEC);
  std::uint64_t length = 0;
  if (work_file < 0 || !read_at(work_file, reinterpret_cast<char*>(&length), sizeof length, 0)) return 1;
  std::string header(length, '\0');
  Work w;
  std::vector<Part> parts;
  if (!read_at(work_file, header.data(), length, 0) || !decode(header, w, parts)) return 1;
  map_ahead(w);
  InputBuffers ib;
  if (!bytes(work_file, parts, ib.block) || inputs(w, ib) == 0) return 1;
  CurveBuffers cb;
  curves(w, cb);
  volatile float sink = estimator(w, cb);
  (void)sink;
  return 0;
}
