#pragma once
// The LAI growth curve's five unpacked forms f1..f5 (the curve itself: laifit/lai_curve.hpp).
//
// fn evaluates the curve when n of the five parameters are estimated: the estimated ones come packed in
// par (in increasing parameter number), the held ones from cst, as the combination code icomb says.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "laifit/lai_curve.hpp"

namespace laifit {

// Which parameters a fit estimates, and the values of the held ones: the combination code (digit k from
// the ten-thousands digit for p1 is 1 when parameter k is estimated) and the constants cst(1..5).
struct CurveCoding {
  std::int32_t icomb = 0;
  std::array<float, 5> cst{};
};

// lai_curve(p, t[i]) into lai[i] for every time (lai at least as long as t): the same values and the
// same floating-point flags, computed operation by operation over many times at once.
void lai_curve_all(const CurveParameters& p, std::span<const float> t, std::span<float> lai);

// p1..p5 for code icomb with n estimated parameters: parameter k takes the next par entry when digit k
// of icomb (ten-thousands digit for p1) is 1, else cst(k). Nothing when icomb is not a code of n ones.
std::optional<CurveParameters> unpack(std::int32_t icomb, int n, std::span<const float> par,
                                      const std::array<float, 5>& cst);

// A code that is not one of the function's own gives 0.0; f5 does not look at the code.
float f1(std::span<const float> par, std::int32_t npar, float stempi, const CurveCoding& coding);
float f2(std::span<const float> par, std::int32_t npar, float stempi, const CurveCoding& coding);
float f3(std::span<const float> par, std::int32_t npar, float stempi, const CurveCoding& coding);
float f4(std::span<const float> par, std::int32_t npar, float stempi, const CurveCoding& coding);
float f5(std::span<const float> par, std::int32_t npar, float stempi, const CurveCoding& coding);

// f<nbpar>(par, nbpar, stemp[i], coding) into values[i] for every time, nbpar 1..5 (values at least as
// long as stemp): the parameters unpacked once and the curve evaluated by lai_curve_all.
void curve_values(std::int32_t nbpar, std::span<const float> par, std::span<const float> stemp,
                  const CurveCoding& coding, std::span<float> values);

// The curve function for nbpar estimated parameters (1..5), or null.
using CurveFunction = float (*)(std::span<const float>, std::int32_t, float, const CurveCoding&);
CurveFunction curve_function(std::int32_t nbpar);

}  // namespace laifit
