#pragma once
// What the fitting procedure leaves behind besides its files, for a caller that wants to look into a fit:
// every climate record as it was taken, the thermal-time table, the parameters after the estimator and
// its whole result. laibym fills it only when it is given one; the run writes the same bytes either way.

#include <array>
#include <cstdint>
#include <vector>

#include "laifit/estimator.hpp"
#include "state/shared_state.hpp"

namespace laifit {

// One record of a climate file as the thermal-time reading took it.
struct ClimateRecord {
  int unit = 0;             // the climate file's unit: the sowing year's, or the following year's
  std::int64_t record = 0;  // where the read of its ten values ended, from record 1
  std::int32_t an = 0;      // year and day of the year, as read
  std::int32_t jour = 0;
  bool accumulated = false;  // false: passed over before emergence
  // For an accumulated record: its day number (jour plus the first file's last day, for the second
  // file), the daily mean temperature, the degree-days it adds and the running sum after it.
  std::int32_t day = 0;
  float tm = 0.0f;
  float diff = 0.0f;
  float som = 0.0f;
};

// The most climate records kept for a caller (54 years of days): enough for every check of a run's
// climate, and a bound on the memory a huge climate file takes.
inline constexpr std::size_t kMaxClimateRecords = 20000;

struct FitDetails {
  // False when the observation days follow each other from emergence: no climate read, no fit.
  bool fitted = false;
  std::vector<ClimateRecord> climate;  // the first kMaxClimateRecords records read
  std::array<float, kDayTable> som{};  // som[d - 1]: cumulative thermal time on day d
  float somi = 0.0f;                   // the final cumulative thermal time
  std::vector<float> par;              // the estimated parameters after the estimator, packed
  EstimatorResult result;
};

}  // namespace laifit
