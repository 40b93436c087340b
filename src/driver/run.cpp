#include "driver/run.hpp"

#include "driver/ajust.hpp"
#include "driver/run_details.hpp"
#include "records/failure.hpp"
#include "records/fpflags.hpp"
#include "records/units.hpp"
#include "state/shared_state.hpp"

namespace laifit {
namespace {

void report(const RunFailure& failure, std::string& error_text) {
  error_text += failure.place_line() + '\n' + failure.cause_line() + '\n';
}

}  // namespace

int run_laifit(const platform::Folder& folder, std::unique_ptr<ByteSink> screen, std::string& error_text,
               const RunHooks* hooks) {
  RunDetails* const details = hooks != nullptr ? hooks->details : nullptr;
  if (details != nullptr) *details = RunDetails{};
  clear_fp_flags();
  Units units(folder, std::move(screen));
  if (hooks != nullptr) units.observe_reads(hooks->reads);
  const auto own_state = details == nullptr ? std::make_unique<RunState>() : nullptr;
  RunState& state = details != nullptr ? details->state : *own_state;
  try {
    ajust(state, units, details);
    const FpFlags raised = raised_fp_flags();
    units.flush_all();
    error_text += fp_note(raised);
    return 0;
  } catch (const RunFailure& failure) {
    // Whatever was written before the failure still reaches its file.
    try {
      units.flush_all();
    } catch (const RunFailure&) {
    }
    report(failure, error_text);
    if (details != nullptr)
      details->failure = RunDetails::Failure{failure.unit(), failure.file(), failure.cause(), failure.kind()};
    return 2;
  } catch (const Refusal& refusal) {
    if (details != nullptr) details->refusal = refusal.message();
    try {
      units.screen().write_list({refusal.message()});
      units.flush_all();
    } catch (const RunFailure& failure) {
      report(failure, error_text);
    }
    return 2;
  }
}

}  // namespace laifit
