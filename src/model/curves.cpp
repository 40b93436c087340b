#include "model/curves.hpp"

namespace laifit {

std::optional<CurveParameters> unpack(std::int32_t icomb, int n, std::span<const float> par,
                                      const std::array<float, 5>& cst) {
  if (icomb < 0 || icomb > 11111) return std::nullopt;
  CurveParameters p{};
  int taken = 0;
  std::int32_t place = 10000;
  for (std::size_t k = 0; k < 5; ++k, place /= 10) {
    const std::int32_t digit = icomb / place % 10;
    if (digit > 1) return std::nullopt;
    if (digit == 1) {
      if (taken == n || static_cast<std::size_t>(taken) >= par.size()) return std::nullopt;
      p[k] = par[static_cast<std::size_t>(taken++)];
    } else {
      p[k] = cst[k];
    }
  }
  if (taken != n) return std::nullopt;
  return p;
}

namespace {

float evaluate(int n, std::span<const float> par, float stempi, const CurveCoding& coding) {
  const auto p = unpack(coding.icomb, n, par, coding.cst);
  return p ? lai_curve(*p, stempi) : 0.0f;
}

}  // namespace

float f1(std::span<const float> par, std::int32_t, float stempi, const CurveCoding& coding) {
  return evaluate(1, par, stempi, coding);
}
float f2(std::span<const float> par, std::int32_t, float stempi, const CurveCoding& coding) {
  return evaluate(2, par, stempi, coding);
}
float f3(std::span<const float> par, std::int32_t, float stempi, const CurveCoding& coding) {
  return evaluate(3, par, stempi, coding);
}
float f4(std::span<const float> par, std::int32_t, float stempi, const CurveCoding& coding) {
  return evaluate(4, par, stempi, coding);
}
float f5(std::span<const float> par, std::int32_t, float stempi, const CurveCoding&) {
  if (par.size() < 5) return 0.0f;
  return lai_curve({par[0], par[1], par[2], par[3], par[4]}, stempi);
}

CurveFunction curve_function(std::int32_t nbpar) {
  switch (nbpar) {
    case 1: return f1;
    case 2: return f2;
    case 3: return f3;
    case 4: return f4;
    case 5: return f5;
    default: return nullptr;
  }
}

}  // namespace laifit
