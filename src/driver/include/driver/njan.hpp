#pragma once

#include <cstdint>

namespace laifit {

// Day number of a calendar date. k <= 0: the day of the year (1 January = 1). k > 0: days counted from
// 1 January of the last leap year before na. A year divisible by 4 is a leap year, centuries included.
// Month and day are not validated: a day beyond the month's end adds on.
std::int32_t njan(std::int32_t na, std::int32_t m, std::int32_t j, std::int32_t k);

}  // namespace laifit
