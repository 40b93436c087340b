#include "estimator/matin.hpp"

#include "float_constants.hpp"
#include "numeric/store.hpp"

namespace laifit {

using estimator_detail::kTiny;
using numeric::store;

void matin(std::span<float> a, std::int32_t nvar, std::span<float> b, std::int32_t nb, float& det) {
  const std::size_t n = nvar > 0 ? static_cast<std::size_t>(nvar) : 0;
  const std::size_t nrhs = nb > 0 ? static_cast<std::size_t>(nb) : 0;
  // Entry (row i, column j), both from 0, of a column-by-column matrix with n rows.
  const auto at = [](std::span<float> m, std::size_t rows, std::size_t i, std::size_t j) -> float& {
    return m[j * rows + i];
  };

  det = 1.0f;
  for (std::size_t icol = 0; icol < n; ++icol) {
    float pivot = at(a, n, icol, icol);
    // The determinant shows the true pivot, before the floor below replaces it.
    det = store(double(det) * pivot);
    at(a, n, icol, icol) = 1.0f;
    // Pivots are taken in natural order without any search, so a zero, negative or undefined pivot is
    // replaced by a tiny positive one: the elimination stays finite on a singular matrix.
    if (!(double(pivot) >= double(kTiny))) pivot = kTiny;
    pivot = store(1.0 / double(pivot));
    for (std::size_t l = 0; l < n; ++l) at(a, n, l, icol) = store(double(at(a, n, l, icol)) * pivot);
    if (nb != 0) {
      for (std::size_t l = 0; l < nrhs; ++l) at(b, n, icol, l) = store(double(at(b, n, icol, l)) * pivot);
    }
    for (std::size_t l1 = 0; l1 < n; ++l1) {
      if (l1 == icol) continue;
      const float t = at(a, n, icol, l1);
      at(a, n, icol, l1) = 0.0f;
      for (std::size_t l = 0; l < n; ++l) {
        at(a, n, l, l1) = store(double(at(a, n, l, l1)) - double(at(a, n, l, icol)) * t);
      }
      if (nb != 0) {
        for (std::size_t l = 0; l < nrhs; ++l) {
          at(b, n, l1, l) = store(double(at(b, n, l1, l)) - double(at(b, n, icol, l)) * t);
        }
      }
    }
  }
}

}  // namespace laifit
