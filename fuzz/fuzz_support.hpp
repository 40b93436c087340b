#pragma once
// Helpers shared by the record-reader fuzz targets: a byte cursor over the fuzz input, and an input
// channel over an anonymous in-memory file.

#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "records/input.hpp"

namespace laifit::fuzz {

// Takes control bytes from the front of the fuzz input; a short input reads as zeros.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t take() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::string_view rest() const {
    return pos_ < size_ ? std::string_view(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_)
                        : std::string_view();
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// The reader streams a file through a 64 KiB buffer. A file made of one long record that ends k bytes
// before that boundary, then the fuzzed bytes, puts the k-th fuzzed byte first in the buffer's first
// refill, so small inputs still reach the refill paths (a CR LF split across it, a step back over it).
inline constexpr std::size_t kReaderBuffer = 1 << 16;

inline std::string boundary_prefix(std::uint8_t k) {
  std::string prefix(kReaderBuffer - 1 - k, 'x');
  prefix.push_back('\n');
  return prefix;
}

[[noreturn]] inline void fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

// The layout shared by the reader targets: byte 0 flags (bit 0: start the fuzzed bytes near the reader's
// buffer boundary), byte 1 that boundary offset, bytes 2..9 the statement program (four pairs of bytes,
// used in turn), then the file.
struct ReaderInput {
  bool near_boundary = false;
  std::array<std::uint8_t, 8> program{};
  std::string file;
};

inline ReaderInput reader_input(const std::uint8_t* data, std::size_t size) {
  Bytes bytes(data, size);
  ReaderInput input;
  const std::uint8_t flags = bytes.take();
  const std::uint8_t offset = bytes.take();
  for (auto& b : input.program) b = bytes.take();
  input.near_boundary = (flags & 1) != 0;
  if (input.near_boundary) input.file = boundary_prefix(offset);
  input.file.append(bytes.rest());
  return input;
}

// An input channel (unit 20) over an in-memory file holding content.
inline std::unique_ptr<InputChannel> channel_over(std::string_view content) {
  const int fd = ::memfd_create("fuzz-input", MFD_CLOEXEC);
  if (fd < 0) fail("memfd_create");
  for (std::size_t done = 0; done < content.size();) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n <= 0) fail("write to memfd");
    done += static_cast<std::size_t>(n);
  }
  return std::make_unique<InputChannel>(20, "fuzz-input", platform::File::adopt(fd));
}

}  // namespace laifit::fuzz
