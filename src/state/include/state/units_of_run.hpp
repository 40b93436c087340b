#pragma once
// Unit numbers of the files of a run (they appear in diagnostics).

namespace laifit::unit {

inline constexpr int kTrace = 11;     // "test.txt"
inline constexpr int kHistory = 12;   // "history.kvt"
inline constexpr int kParam = 13;     // "param.soj"
inline constexpr int kObsTable = 14;  // the observation table, then "tempobs.txt" read back
inline constexpr int kTempobs2 = 15;  // "tempobs2.txt"
inline constexpr int kTempobs = 16;   // "tempobs.txt" while it is written
inline constexpr int kClimate1 = 21;  // climate file of the sowing year
inline constexpr int kClimate2 = 22;  // climate file of the following year
inline constexpr int kReport = 23;    // "adjust_lai.txt"
inline constexpr int kLaiFile = 24;   // the interpolated LAI file

}  // namespace laifit::unit
