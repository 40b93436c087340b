#pragma once
// What a run leaves behind besides its files and its screen, for a caller that looks into it (the
// inspector): the shared records as the run left them, how the observation rows became points, how it
// ended, and the fit's details. A run given none writes the same bytes as one given them.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "fit/fit_details.hpp"
#include "records/failure.hpp"
#include "records/read_observer.hpp"
#include "state/shared_state.hpp"

namespace laifit {

struct RunDetails {
  RunState state;  // the run works in these records
  // The sowing year and its length, once "tempobs.txt" has shown a row.
  bool has_rows = false;
  std::int32_t ansemis = 0;
  std::int32_t nbjansemis = 0;
  // The "tempobs.txt" record of each observation point, 0 for a forced emergence point.
  std::array<std::int64_t, kMaxObservations> point_record{};
  // The refusal ("error- ..." on the screen) or the failed statement that ended the run.
  std::optional<std::string> refusal;
  struct Failure {
    int unit = 0;
    std::string file;
    std::string cause;
    FailureKind kind = FailureKind::other;
  };
  std::optional<Failure> failure;
  FitDetails fit;
};

// Optional additions to a run: an observer of every reading statement on the files it opens, and the
// details to fill (their records are reset first).
struct RunHooks {
  ReadObserver* reads = nullptr;
  RunDetails* details = nullptr;
};

}  // namespace laifit
