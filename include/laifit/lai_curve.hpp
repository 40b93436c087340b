#pragma once
// The LAI growth curve of thermal time, as laifit fits it:
//
//   LAI(t) = p1 * (1 / (1 + exp(-p2 * (t - p3))) - exp(p4 * (t - p5)))
//
// t the thermal time in degree-days since emergence; p1 the plateau, p2 the growth rate, p3 the midpoint
// of growth, p4 the decline rate, p5 the thermal time at which the decline term reaches 1.

#include <array>

namespace laifit {

using CurveParameters = std::array<float, 5>;

// The curve at t with its six roundings to float (the growth exponent, its exponential, the growth term,
// the decline exponent, its exponential and the result), each formula evaluated in double with
// correctly rounded exponentials: the same bits on every build.
float lai_curve(const CurveParameters& p, float t);

}  // namespace laifit
