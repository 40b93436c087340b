#pragma once

#include <cstdint>

namespace laifit {

// Day number of a calendar date. k <= 0: the day of the year (1 January = 1). k > 0: days counted from
// 1 January of the last leap year before na. A year divisible by 4 is a leap year, centuries included.
// Month and day are not validated: a day beyond the month's end adds on.
std::int32_t njan(std::int32_t na, std::int32_t m, std::int32_t j, std::int32_t k);

// laifit's one leap-year rule, used by njan: every year divisible by 4, centuries included.
inline bool is_leap_year(std::int32_t year) { return year % 4 == 0; }
inline std::int32_t days_in_year(std::int32_t year) { return is_leap_year(year) ? 366 : 365; }
// The days of month m (1 to 12) of year, by the same rule.
inline std::int32_t days_in_month(std::int32_t year, std::int32_t m) {
  constexpr std::int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && is_leap_year(year) ? 29 : kDays[m - 1];
}

}  // namespace laifit
