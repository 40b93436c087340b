#pragma once
// The parameter coding of the fitting procedure: which of the five curve parameters the estimator sees.

#include <array>
#include <cstdint>

#include "state/shared_state.hpp"

namespace laifit {

// The estimated parameters packed in increasing parameter number, npar of them.
struct PackedParameters {
  std::array<float, 5> par{};
  std::int32_t npar = 0;
};

// Sets cst (every value read), nbpar (the number estimated) and icomb (ten-thousands digit for p1 down to
// the units digit for p5), and packs the starting values of the estimated parameters.
PackedParameters code_parameters(Param& param);

}  // namespace laifit
