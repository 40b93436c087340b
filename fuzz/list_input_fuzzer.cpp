// Free-format reads of arbitrary bytes: statements with varied destination lists, repeated until the end
// of the file. A RunFailure (bad value, end of file without branch) is a normal outcome; a crash, a
// sanitizer report or any other exception is not. Destinations live in heap blocks of exactly their
// size, so a store one element or one character past a destination is caught. Every statement is read
// twice, on two channels over the same file: unobserved, where a plain record takes the reader's fast
// path, and observed, which always takes the full reader; the two must store the same bytes, return the
// same and fail with the same message.
//
// Input layout: that of reader_input (fuzz_support.hpp).

#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "records/failure.hpp"
#include "records/list_input.hpp"
#include "records/read_observer.hpp"

namespace {

using laifit::Dest;
using laifit::InputChannel;

// What one statement did: its result, its failure's message, and the bytes of its destinations.
struct Outcome {
  bool more = true;
  std::string failure;
  std::string stored;
  bool operator==(const Outcome&) const = default;
};

// The destinations' bytes are collected from every block a statement allocates.
struct Blocks {
  std::vector<std::pair<const void*, std::size_t>> all;
  std::string bytes() const {
    std::string s;
    for (auto [p, n] : all) s.append(static_cast<const char*>(p), n);
    return s;
  }
};

// One statement of the given form: more is false when it met the end of the file (or_end).
Outcome statement(InputChannel& in, std::uint8_t form, std::uint8_t size, bool or_end) {
  Blocks blocks;
  auto block = [&]<typename T>(std::vector<T>&& v) {
    blocks.all.emplace_back(v.data(), v.size() * sizeof(T));
    return std::move(v);
  };
  auto read = [&](std::initializer_list<Dest> dests) {
    Outcome out;
    try {
      if (or_end) {
        out.more = laifit::read_list_or_end(in, dests);
      } else {
        laifit::read_list(in, dests);
      }
    } catch (const laifit::RunFailure& e) {
      out.failure = e.what();
    }
    out.stored = blocks.bytes();
    return out;
  };
  switch (form % 12) {
    case 0:  // a statement without destinations skips a record
      return read({});
    case 1: {
      auto i = block(std::vector<std::int32_t>(1));
      return read({i[0]});
    }
    case 2: {
      auto r = block(std::vector<float>(1));
      return read({r[0]});
    }
    case 3: {
      auto t = block(std::vector<char>(size % 64));
      return read({std::span<char>(t)});
    }
    case 4: {
      auto a = block(std::vector<std::int32_t>(size % 16));
      return read({std::span<std::int32_t>(a)});
    }
    case 5: {
      auto a = block(std::vector<float>(size % 16));
      return read({std::span<float>(a)});
    }
    case 6: {  // a climate record
      auto station = block(std::vector<char>(7));
      auto i = block(std::vector<std::int32_t>(4));
      auto r = block(std::vector<float>(5));
      return read({std::span<char>(station), i[0], i[1], i[2], i[3], r[0], r[1], r[2], r[3], r[4]});
    }
    case 7: {  // a data row of the observation table
      auto date = block(std::vector<std::int32_t>(4));
      auto values = block(std::vector<float>(size % 200 + 1));
      return read({std::span<std::int32_t>(date), std::span<float>(values)});
    }
    case 8: {  // a row of the narrow working file
      auto date = block(std::vector<std::int32_t>(3));
      auto i = block(std::vector<std::int32_t>(1));
      auto r = block(std::vector<float>(1));
      return read({std::span<std::int32_t>(date), i[0], r[0]});
    }
    case 9: {  // a parameter line
      auto i = block(std::vector<std::int32_t>(1));
      auto r = block(std::vector<float>(1));
      return read({i[0], r[0]});
    }
    case 10: {
      auto c = block(std::vector<char>(size % 64));
      return read({Dest::characters(c)});
    }
    default: {  // mixed kinds, lengths from the size byte
      auto t1 = block(std::vector<char>(size % 5));
      auto ints = block(std::vector<std::int32_t>(size / 5 % 4));
      auto t2 = block(std::vector<char>(size / 20 % 40));
      auto reals = block(std::vector<float>(size / 200 + 1));
      return read({std::span<char>(t1), std::span<std::int32_t>(ints), std::span<char>(t2), std::span<float>(reals)});
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto [near_boundary, program, file] = laifit::fuzz::reader_input(data, size);
  auto plain = laifit::fuzz::channel_over(file);
  auto full = laifit::fuzz::channel_over(file);
  laifit::ReadObserver observer;  // observed reads always take the full reader
  full->observe(&observer);

  if (near_boundary && (!laifit::read_list_or_end(*plain, {}) || !laifit::read_list_or_end(*full, {})))
    laifit::fuzz::fail("the long first record is missing");
  // Every statement consumes at least one record, and a step back is never taken twice in a row, so
  // the loop ends; the bound only guards against a reader that stops advancing.
  bool stepped_back = false;
  for (std::size_t n = 0;; ++n) {
    if (n > 2 * file.size() + 16) laifit::fuzz::fail("the reader does not advance through the file");
    const std::uint8_t form = program[(2 * n) % program.size()];
    const std::uint8_t sz = program[(2 * n + 1) % program.size()];
    const bool step_back = (form & 0x80) != 0 && !stepped_back && n > 0;
    if (step_back) {
      plain->step_back();
      full->step_back();
    }
    stepped_back = step_back;
    const Outcome a = statement(*plain, form, sz, (form & 0x40) == 0);
    const Outcome b = statement(*full, form, sz, (form & 0x40) == 0);
    if (!(a == b)) laifit::fuzz::fail("the fast path of plain records reads other than the full reader");
    // A value that is not valid for its destination, or the end of the file without a branch.
    if (!a.failure.empty()) break;
    if (!a.more) {
      // The end of the file stays the end.
      if (laifit::read_list_or_end(*plain, {})) laifit::fuzz::fail("a record after the end of the file");
      break;
    }
  }
  return 0;
}
