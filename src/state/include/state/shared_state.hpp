#pragma once
// The seven shared records of a run. One RunState holds them all; it starts zeroed (texts blank), so a
// fresh object is a fresh run and several runs can follow each other in one process.

#include <array>
#include <cstdint>

#include "records/fixed_text.hpp"

namespace laifit {

class OutputChannel;

// Most observation points of a series, and slots of the daily cumulative thermal-time table.
inline constexpr int kMaxObservations = 366;
inline constexpr int kDayTable = 800;
// Whether a day number has a slot in the day table, for laifit and for a caller that reads the table.
inline bool in_day_table(std::int64_t day) { return day >= 1 && day <= kDayTable; }

// Observation series, run file names and the fitted daily series.
struct Lai {
  std::int32_t jlevee = 0;  // emergence day, counted from 1 January of the sowing year
  std::int32_t nobs = 0;
  std::array<std::int32_t, kMaxObservations> nl{};
  std::array<float, kMaxObservations> xinfl{};
  // The daily series runs from emergence to at most the last day of the day table.
  std::array<std::int32_t, kDayTable> nl2{};
  std::array<float, kDayTable> xinfl2{};
  std::int32_t irec = 0;
  bool consec = false;
  FixedText<30> wdata1;
  FixedText<30> wdata2;
  FixedText<30> ficlai;
};

struct Lev {
  std::int32_t anlevee = 0;
};

// Growth-curve parameters and their coding.
struct Param {
  float base = 0.0f;
  std::array<std::int32_t, 5> icod{};
  std::array<float, 5> var{};
  std::int32_t icomb = 0;
  std::int32_t nbpar = 0;
  std::array<float, 5> cst{};
};

struct Temps {
  float pas = 0.0f;
  std::int32_t icodclim = 0;
};

struct X {
  std::array<float, kMaxObservations> stemp{};
};

// Print settings of the estimator.
struct Imphau {
  OutputChannel* mecran = nullptr;
  OutputChannel* mimp = nullptr;
  std::int32_t impc = 0;
};

// Fit quality, filled by the estimator.
struct Somcarre {
  float sumc = 0.0f;
  float sdev = 0.0f;
  std::int32_t idf = 0;
};

struct RunState {
  // The observation table's name, kept for messages that point at it.
  FixedText<30> ficobs;
  Lai lai;
  Lev lev;
  Param param;
  Temps temps;
  X x;
  Imphau imphau;
  Somcarre somcarre;
};

}  // namespace laifit
