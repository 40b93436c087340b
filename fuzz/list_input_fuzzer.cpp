// Free-format reads of arbitrary bytes: statements with varied destination lists, repeated until the end
// of the file. A RunFailure (bad value, end of file without branch) is a normal outcome; a crash, a
// sanitizer report or any other exception is not. Destinations live in heap blocks of exactly their
// size, so a store one element or one character past a destination is caught.
//
// Input layout: that of reader_input (fuzz_support.hpp).

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz_support.hpp"
#include "records/failure.hpp"
#include "records/list_input.hpp"

namespace {

using laifit::Dest;
using laifit::InputChannel;

template <typename T>
std::vector<T> block(std::size_t n) {
  return std::vector<T>(n, T{});
}

// One statement of the given form; false when it met the end of the file (or_end) .
bool statement(InputChannel& in, std::uint8_t form, std::uint8_t size, bool or_end) {
  auto read = [&](std::initializer_list<Dest> dests) {
    if (or_end) return laifit::read_list_or_end(in, dests);
    laifit::read_list(in, dests);
    return true;
  };
  switch (form % 12) {
    case 0:  // a statement without destinations skips a record
      return read({});
    case 1: {
      auto i = block<std::int32_t>(1);
      return read({i[0]});
    }
    case 2: {
      auto r = block<float>(1);
      return read({r[0]});
    }
    case 3: {
      auto t = block<char>(size % 64);
      return read({std::span<char>(t)});
    }
    case 4: {
      auto a = block<std::int32_t>(size % 16);
      return read({std::span<std::int32_t>(a)});
    }
    case 5: {
      auto a = block<float>(size % 16);
      return read({std::span<float>(a)});
    }
    case 6: {  // a climate record
      auto station = block<char>(7);
      auto i = block<std::int32_t>(4);
      auto r = block<float>(5);
      return read({std::span<char>(station), i[0], i[1], i[2], i[3], r[0], r[1], r[2], r[3], r[4]});
    }
    case 7: {  // a data row of the observation table
      auto date = block<std::int32_t>(4);
      auto values = block<float>(size % 200 + 1);
      return read({std::span<std::int32_t>(date), std::span<float>(values)});
    }
    case 8: {  // a row of the narrow working file
      auto date = block<std::int32_t>(3);
      auto i = block<std::int32_t>(1);
      auto r = block<float>(1);
      return read({std::span<std::int32_t>(date), i[0], r[0]});
    }
    case 9: {  // a parameter line
      auto i = block<std::int32_t>(1);
      auto r = block<float>(1);
      return read({i[0], r[0]});
    }
    case 10: {
      auto c = block<char>(size % 64);
      return read({Dest::characters(c)});
    }
    default: {  // mixed kinds, lengths from the size byte
      auto t1 = block<char>(size % 5);
      auto ints = block<std::int32_t>(size / 5 % 4);
      auto t2 = block<char>(size / 20 % 40);
      auto reals = block<float>(size / 200 + 1);
      return read({std::span<char>(t1), std::span<std::int32_t>(ints), std::span<char>(t2), std::span<float>(reals)});
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto [near_boundary, program, file] = laifit::fuzz::reader_input(data, size);
  auto in = laifit::fuzz::channel_over(file);

  try {
    if (near_boundary && !laifit::read_list_or_end(*in, {})) laifit::fuzz::fail("the long first record is missing");
    // Every statement consumes at least one record, and a step back is never taken twice in a row, so
    // the loop ends; the bound only guards against a reader that stops advancing.
    bool stepped_back = false;
    for (std::size_t n = 0;; ++n) {
      if (n > 2 * file.size() + 16) laifit::fuzz::fail("the reader does not advance through the file");
      const std::uint8_t form = program[(2 * n) % program.size()];
      const std::uint8_t sz = program[(2 * n + 1) % program.size()];
      const bool step_back = (form & 0x80) != 0 && !stepped_back && n > 0;
      if (step_back) in->step_back();
      stepped_back = step_back;
      if (!statement(*in, form, sz, (form & 0x40) == 0)) {
        // The end of the file stays the end.
        if (laifit::read_list_or_end(*in, {})) laifit::fuzz::fail("a record after the end of the file");
        break;
      }
    }
  } catch (const laifit::RunFailure&) {
    // A value that is not valid for its destination, or the end of the file without a branch.
  }
  return 0;
}
