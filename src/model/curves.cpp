#include "model/curves.hpp"

#include <algorithm>

#include "numeric/exp.hpp"
#include "numeric/store.hpp"

namespace laifit {

namespace {

// Times are taken this many at a time, so that the passes' intermediate values stay on the stack.
constexpr std::size_t kChunk = 64;

// lai_curve at each of at most kChunk times, operation by operation over all of them: the exponents,
// then their exponentials, then the rest, each value rounded exactly as lai_curve rounds it.
void curve_chunk(const CurveParameters& p, std::span<const float> t, std::span<float> lai) {
  std::array<float, kChunk> a, b;
  const std::size_t n = t.size();
  for (std::size_t i = 0; i < n; ++i) a[i] = numeric::store(-(double{p[1]} * (double{t[i]} - p[2])));
  for (std::size_t i = 0; i < n; ++i) b[i] = numeric::store(double{p[3]} * (double{t[i]} - p[4]));
  for (std::size_t i = 0; i < n; ++i) a[i] = numeric::exp_cr_stored(double{a[i]});
  for (std::size_t i = 0; i < n; ++i) b[i] = numeric::exp_cr_stored(double{b[i]});
  for (std::size_t i = 0; i < n; ++i) a[i] = numeric::store(1.0 / (1.0 + a[i]));
  for (std::size_t i = 0; i < n; ++i) lai[i] = numeric::store(double{p[0]} * (double{a[i]} - b[i]));
}

}  // namespace

void lai_curve_all(const CurveParameters& p, std::span<const float> t, std::span<float> lai) {
  for (std::size_t at = 0; at < t.size(); at += kChunk) {
    const std::size_t n = std::min(kChunk, t.size() - at);
    curve_chunk(p, t.subspan(at, n), lai.subspan(at, n));
  }
}

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

void curve_values(std::int32_t nbpar, std::span<const float> par, std::span<const float> stemp,
                  const CurveCoding& coding, std::span<float> values) {
  std::optional<CurveParameters> p;
  if (nbpar == 5 && par.size() >= 5) {
    p = CurveParameters{par[0], par[1], par[2], par[3], par[4]};
  } else if (nbpar >= 1 && nbpar <= 4) {
    p = unpack(coding.icomb, nbpar, par, coding.cst);
  }
  if (p) {
    lai_curve_all(*p, stemp, values.first(stemp.size()));
  } else {
    std::fill_n(values.begin(), stemp.size(), 0.0f);
  }
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
