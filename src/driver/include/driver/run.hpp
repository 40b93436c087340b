#pragma once
// A whole run in a folder, as the laifit command does it, callable in process (tests, fuzzers).

#include <memory>
#include <string>

#include "platform/files.hpp"
#include "records/output.hpp"

namespace laifit {

// The exit status of a run that ends by an internal error of laifit (a failed check of its own code).
inline constexpr int kInternalErrorStatus = 3;

struct RunHooks;

// Runs in the folder with the screen going to screen; appends what standard error receives to
// error_text and returns the exit status (0, or 2 after a failure or a refusal). hooks, when given, add
// an observer of the reads and the details to fill (driver/run_details.hpp).
int run_laifit(const platform::Folder& folder, std::unique_ptr<ByteSink> screen, std::string& error_text,
               const RunHooks* hooks = nullptr);

}  // namespace laifit
