#pragma once
// Panel printing of the estimator's tables: ten columns per panel, on the report channel, echoed on the
// screen channel at print level 3.

#include <cstdint>
#include <span>

#include "records/output.hpp"

namespace laifit {

// itype 1: the vector a; 2: b then a; 3: the lower triangle of the nq x nq matrix c (column by column);
// any other value acts as 1. Arrays that itype does not print are not read.
void gass60(std::int32_t itype, std::int32_t nq, std::span<const float> a, std::span<const float> b,
            std::span<const float> c, OutputChannel& me, OutputChannel& mi, std::int32_t imp);

}  // namespace laifit
