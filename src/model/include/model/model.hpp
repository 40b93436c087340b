#pragma once
// The model adapter that the estimator fits: the curve function chosen by the number of estimated
// parameters, evaluated at the thermal time of every observation, with a running trace on the screen.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/curves.hpp"
#include "records/output.hpp"

namespace laifit {

// What the adapter evaluates: nbpar estimated parameters coded by coding, at the thermal times stemp of
// the observations (at least as many as any call's nob). The fields of the screen lines that stay the
// same from call to call, each observation's number and thermal time, are rendered once here.
class CurveModel {
 public:
  CurveModel(std::int32_t nbpar, const CurveCoding& coding, std::span<const float> stemp);

  std::int32_t nbpar;
  CurveCoding coding;
  std::span<const float> stemp;

  // " debug-  " and observation i's number (from 0), as the line begins.
  std::string_view lead(std::size_t i) const { return {fields_.data() + i * kFields, kLead}; }
  // Observation i's thermal time, as the line ends.
  std::string_view time(std::size_t i) const { return {fields_.data() + i * kFields + kLead, kTime}; }

 private:
  static constexpr std::size_t kLead = 1 + 8 + 1 + 11;  // record blank, "debug-  ", blank, integer
  static constexpr std::size_t kTime = 16;
  static constexpr std::size_t kFields = kLead + kTime;
  std::string fields_;
};

// Writes "debug-" lines on screen, each before its observation is evaluated, and ye(1..nob). With
// nbpar outside 1..5 or nob below 1 only the two heading lines are written and ye is untouched.
void model(std::int32_t nprob, std::span<const float> par, std::span<float> ye, std::int32_t nob, std::int32_t npar,
           const CurveModel& curve, OutputChannel& screen);

}  // namespace laifit
