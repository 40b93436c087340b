#pragma once
// Captured channels for the report tests: report, screen and trace collected in strings.

#include <memory>
#include <string>

#include "records/output.hpp"
#include "report/legacy_report.hpp"
#include "state/shared_state.hpp"

namespace laifit::testing {

class Captured {
 public:
  explicit Captured(std::int32_t impc = 0) : imphau{&screen, &report, impc} {}

  std::string report_text() {
    report.flush();
    return report_bytes_;
  }
  std::string screen_text() {
    screen.flush();
    return screen_bytes_;
  }
  std::string trace_text() {
    trace.flush();
    return trace_bytes_;
  }
  // What has reached the screen's destination, without flushing it.
  const std::string& screen_delivered() const { return screen_bytes_; }

 private:
  std::string report_bytes_, screen_bytes_, trace_bytes_;

 public:
  OutputChannel report{7, "adjust_lai.txt", std::make_unique<StringSink>(report_bytes_)};
  OutputChannel screen{6, "stdout", std::make_unique<StringSink>(screen_bytes_)};
  OutputChannel trace{10, "test.txt", std::make_unique<StringSink>(trace_bytes_)};
  Imphau imphau;
  ReportChannels out{trace, screen, imphau};
};

// Lines joined as records, each ending with CR LF.
inline std::string records(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace laifit::testing
