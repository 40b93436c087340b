#include "driver/njan.hpp"

namespace laifit {

std::int32_t njan(std::int32_t na, std::int32_t m, std::int32_t j, std::int32_t k) {
  const std::int32_t i = na % 4;
  std::int32_t nj = 0;
  if (m == 2) {
    nj = 31;
  } else if (m > 2) {
    // Days before month m in a 365-day year: (m - 8) * 30.6 + 212.5 truncated toward zero.
    const double days = static_cast<double>(m - 8) * static_cast<double>(30.6f) + static_cast<double>(212.5f);
    nj = static_cast<std::int32_t>(days);
  }
  if (i == 0) return m > 2 ? nj + j + 1 : nj + j;
  if (k <= 0) return nj + j;
  return nj + j + 365 * i + 1;
}

}  // namespace laifit
