#pragma once
// The layout of the sampled tables in tests/numeric/data, written by proofs/numeric_proof.cpp and read
// by the tests: the 8 bytes "LFNUMTB1", then groups, each a little-endian u32 entry count and u32 flag
// set followed by that many entries of a u32 argument (a float's bits) and a u64 expected result (a
// double's bits). All entries of a group expect the same flags.

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace laifit::numeric::table {

// Flags as laifit reports them (inexact is never reported).
struct Flag {
  static constexpr unsigned invalid = 1;
  static constexpr unsigned divide_by_zero = 2;
  static constexpr unsigned overflow = 4;
  static constexpr unsigned underflow = 8;
  static constexpr unsigned denormal = 16;  // x86 MXCSR's denormal-operand bit
};

struct Entry {
  std::uint32_t argument;
  std::uint64_t result;
};

struct Group {
  unsigned flags;
  std::vector<Entry> entries;
};

inline constexpr char kMagic[8] = {'L', 'F', 'N', 'U', 'M', 'T', 'B', '1'};

namespace layout_detail {

inline void put(std::string& out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

inline std::uint64_t get(const std::string& in, std::size_t at, int bytes) {
  std::uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= std::uint64_t(static_cast<unsigned char>(in[at + std::size_t(i)])) << (8 * i);
  return v;
}

}  // namespace layout_detail

inline std::string encode(const std::vector<Group>& groups) {
  std::string out(kMagic, sizeof kMagic);
  for (const Group& g : groups) {
    layout_detail::put(out, g.entries.size(), 4);
    layout_detail::put(out, g.flags, 4);
    for (const Entry& e : g.entries) {
      layout_detail::put(out, e.argument, 4);
      layout_detail::put(out, e.result, 8);
    }
  }
  return out;
}

// The groups of a table, or nothing when the bytes are not a whole table.
inline std::optional<std::vector<Group>> decode(const std::string& in) {
  if (in.size() < sizeof kMagic || std::memcmp(in.data(), kMagic, sizeof kMagic) != 0) return std::nullopt;
  std::vector<Group> groups;
  std::size_t at = sizeof kMagic;
  while (at < in.size()) {
    if (in.size() - at < 8) return std::nullopt;
    const std::uint64_t count = layout_detail::get(in, at, 4);
    Group g{static_cast<unsigned>(layout_detail::get(in, at + 4, 4)), {}};
    at += 8;
    if ((in.size() - at) / 12 < count) return std::nullopt;
    g.entries.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i, at += 12) {
      g.entries.push_back(
          {static_cast<std::uint32_t>(layout_detail::get(in, at, 4)), layout_detail::get(in, at + 4, 8)});
    }
    groups.push_back(std::move(g));
  }
  return groups;
}

}  // namespace laifit::numeric::table
