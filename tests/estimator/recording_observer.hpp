#pragma once
// An observer that writes down every hook the estimator calls, in order, with its figures; the models
// of the tests add their own calls to the same log, so the order of both can be checked.

#include <string>
#include <vector>

#include "laifit/estimator.hpp"

namespace laifit::testing {

class RecordingObserver : public EstimatorObserver {
 public:
  std::vector<std::string> events;
  std::vector<float> limits_upper, limits_lower, intervals_upper, intervals_lower;
  float ssq = -1.0f, sumc = -1.0f, variance_seen = -1.0f;
  EstimatorExit exit = EstimatorExit::rejected;
  RejectionReason reason = RejectionReason::none;
  std::string message;
  std::vector<IterationSummary> iterations;
  // The iteration hook answers stop from this iteration on; 0: never.
  std::int32_t stop_at = 0;

  void started(const EstimatorProblem& problem) override {
    events.push_back("started " + std::to_string(problem.observed.size()) + " " + std::to_string(problem.start.size()));
  }
  void rejected(RejectionReason r, std::string_view m) override {
    reason = r;
    message = m;
    events.push_back("rejected");
  }
  ObserverAction iteration(const IterationSummary& s) override {
    iterations.push_back(s);
    iterations.back().parameters = {};  // the estimator's own array, not kept
    events.push_back("iteration " + std::to_string(s.iteration));
    return stop_at != 0 && s.iteration >= stop_at ? ObserverAction::stop : ObserverAction::proceed;
  }
  void evaluating_start() override { events.push_back("evaluating_start"); }
  void initial_sum(float s) override {
    ssq = s;
    events.push_back("initial_sum");
  }
  void stopped(EstimatorExit e, const EstimatorSettings&) override {
    exit = e;
    events.push_back("stopped");
  }
  void correlation(std::span<const float>, std::int32_t) override { events.push_back("correlation"); }
  void normalising(std::span<const float>) override { events.push_back("normalising"); }
  void variance(float v, std::int32_t degrees_of_freedom) override {
    variance_seen = v;
    events.push_back("variance " + std::to_string(degrees_of_freedom));
  }
  void limits(std::span<const float> upper, std::span<const float> lower) override {
    limits_upper.assign(upper.begin(), upper.end());
    limits_lower.assign(lower.begin(), lower.end());
    events.push_back("limits");
  }
  void intervals(std::span<const float> upper, std::span<const float> lower) override {
    intervals_upper.assign(upper.begin(), upper.end());
    intervals_lower.assign(lower.begin(), lower.end());
    events.push_back("intervals");
  }
  void estimates(std::span<const float>, float s) override {
    sumc = s;
    events.push_back("estimates");
  }
  void finished(std::int32_t count) override { events.push_back("finished " + std::to_string(count)); }

  // How many events are named name.
  std::size_t count(const std::string& name) const {
    std::size_t n = 0;
    for (const auto& e : events) n += e == name || e.starts_with(name + " ");
    return n;
  }
};

}  // namespace laifit::testing
