#pragma once
// Checks one of the numeric library's functions against its sampled table in tests/numeric/data: for
// every entry, the result bits (any NaN for an expected NaN) and the flags of that one call.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "fp_flags.hpp"
#include "platform/read_file.hpp"
#include "table_format.hpp"

namespace laifit::numeric::table {

// The bit pattern of a float.
inline std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

inline std::vector<Group> load(const std::string& name) {
  const std::string path = std::string(LAIFIT_NUMERIC_TABLES) + "/" + name;
  auto groups = decode(platform::read_file(path).value_or(""));
  if (!groups) ADD_FAILURE() << path << " is missing or not a whole table";
  return groups.value_or(std::vector<Group>{});
}

inline std::string hex(std::uint64_t v) {
  std::ostringstream s;
  s << std::hex << v;
  return s.str();
}

struct Summary {
  std::size_t entries = 0;
  std::size_t mismatches = 0;
  unsigned flags_seen = 0;  // union of the expected flags of all groups
};

// Calls f on every entry's argument (a float widened to double before the flags are cleared) and
// reports the first few entries whose result or flags differ.
template <typename F>
Summary check_table(const std::vector<Group>& groups, F f) {
  Summary s;
  for (const Group& g : groups) {
    s.flags_seen |= g.flags;
    for (const Entry& e : g.entries) {
      ++s.entries;
      const double x = double(std::bit_cast<float>(e.argument));
      clear_flags();
      const double y = f(x);
      const unsigned flags = raised_flags();
      const std::uint64_t bits = std::bit_cast<std::uint64_t>(y);
      const bool nan_expected = std::isnan(std::bit_cast<double>(e.result));
      const bool result_ok = nan_expected ? std::isnan(y) : bits == e.result;
      if (result_ok && flags == g.flags) continue;
      if (++s.mismatches <= 10) {
        ADD_FAILURE() << "argument " << hex(e.argument) << " (" << double(std::bit_cast<float>(e.argument))
                      << "): result " << hex(bits) << " flags " << flags << ", expected " << hex(e.result) << " flags "
                      << g.flags;
      }
    }
  }
  return s;
}

// Whether the table holds the argument with these float bits.
inline bool holds(const std::vector<Group>& groups, std::uint32_t argument) {
  for (const Group& g : groups)
    for (const Entry& e : g.entries)
      if (e.argument == argument) return true;
  return false;
}

}  // namespace laifit::numeric::table
