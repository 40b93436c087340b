#pragma once
// The estimator's printed report in French, as an observer of the estimation: every block on the report
// channel, echoed on the screen channel by print level, the trace line before the first model call,
// and standard output flushed when the estimation ends.

#include <cstdint>

#include "laifit/estimator.hpp"
#include "records/output.hpp"
#include "state/shared_state.hpp"

namespace laifit {

// The channels of the report.
struct ReportChannels {
  OutputChannel& trace;   // the trace file: "appel de model"
  OutputChannel& screen;  // standard output, flushed at the end of every estimation
  const Imphau& imphau;   // screen echo channel, report channel and print level
};

// Print levels: 0 or less shows only the parameter-error message on the screen; 1 adds the estimates and
// the final sum of squares; 2 (and above 3) the heading, the stop message, the whole statistics block
// with the fitted values' intervals, and the closing line; 3 everything.
class LegacyReport : public EstimatorObserver {
 public:
  // nprob: the problem number of the heading and the closing line.
  LegacyReport(const ReportChannels& channels, std::int32_t nprob)
      : out_(channels), imp_(channels.imphau.impc), nprob_(nprob) {}

  void started(const EstimatorProblem& problem) override;
  void rejected(RejectionReason reason, std::string_view message) override;
  void evaluating_start() override;
  void initial_sum(float ssq) override;
  void stopped(EstimatorExit exit, const EstimatorSettings& settings) override;
  void correlation(std::span<const float> matrix, std::int32_t np) override;
  void normalising(std::span<const float> e) override;
  void variance(float variance, std::int32_t idf) override;
  void limits(std::span<const float> upper, std::span<const float> lower) override;
  void intervals(std::span<const float> upper, std::span<const float> lower) override;
  void estimates(std::span<const float> th, float sumc) override;
  void finished(std::int32_t iterations) override;

 private:
  // A block on the report channel, followed by the same records on the screen when echo holds.
  void report(const Format& format, std::initializer_list<Item> items, bool echo);
  // The statistics block is shown whole on the screen from print level 2 on.
  std::int32_t statistics_level() const { return imp_ > 1 ? 3 : imp_; }
  void table(std::int32_t itype, std::int32_t level, std::span<const float> a, std::span<const float> b,
             std::span<const float> c);

  ReportChannels out_;
  std::int32_t imp_;
  std::int32_t nprob_;
  std::int32_t np_ = 0;
};

}  // namespace laifit
