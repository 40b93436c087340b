#pragma once
// Problems the estimator rejects before it calls the model: shared by its own tests and by the legacy
// report's, which must write the parameter error for each of them.

#include <cstdint>
#include <vector>

namespace laifit::testing {

// np parameters and nob observations, mit iterations and factor fnu; the second parameter starts at th2
// with difference proportion difz2, the others at 0.5 with 1e-4.
struct RejectedProblem {
  const char* name;
  std::int32_t np, nob, mit;
  float fnu;
  float th2, difz2;
};

inline const std::vector<RejectedProblem>& rejected_problems() {
  static const std::vector<RejectedProblem> problems{
      {"no parameter", 0, 4, 50, 10.0f, 1.0f, 1e-4f},    {"51 parameters", 51, 60, 50, 10.0f, 1.0f, 1e-4f},
      {"fewer observations", 2, 1, 50, 10.0f, 1.0f, 1e-4f}, {"no iteration", 2, 4, 0, 10.0f, 1.0f, 1e-4f},
      {"1000 iterations", 2, 4, 1000, 10.0f, 1.0f, 1e-4f}, {"factor 1", 2, 4, 50, 1.0f, 1.0f, 1e-4f},
      {"zero start", 2, 4, 50, 10.0f, 0.0f, 1e-4f},      {"negative zero start", 2, 4, 50, 10.0f, -0.0f, 1e-4f},
      {"proportion 1", 2, 4, 50, 10.0f, 1.0f, 1.0f},     {"proportion -1", 2, 4, 50, 10.0f, 1.0f, -1.0f},
      {"367 observations", 2, 367, 50, 10.0f, 1.0f, 1e-4f},
  };
  return problems;
}

}  // namespace laifit::testing
