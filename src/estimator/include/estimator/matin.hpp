#pragma once
// Gauss-Jordan inversion in natural pivot order, with right-hand sides and the determinant.

#include <cstdint>
#include <span>

namespace laifit {

// a: nvar x nvar, column by column (entry (j-1)*nvar + i is row i, column j), replaced by its inverse.
// b: nvar x nb right-hand sides, replaced by the solutions; untouched when nb is 0.
// det: product of the pivots before the 1e-20 floor.
void matin(std::span<float> a, std::int32_t nvar, std::span<float> b, std::int32_t nb, float& det);

}  // namespace laifit
