#pragma once
// Every reading statement of a run as the records layer reported it, kept per statement, so that the
// inspector can say what laifit read from which line and column of which file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "records/read_observer.hpp"

namespace laifit::inspect {

struct LoggedValue {
  std::int64_t record = 0;
  std::size_t column = 0;
  std::size_t end_column = 0;
  std::string text;
  bool quoted = false;
  bool null = false;
  int separator = ReadValue::kEndOfRecord;
  std::int32_t item = 0;
  ReadValue::Kind kind = ReadValue::Kind::text;
  bool stored = true;
  std::int32_t integer = 0;
  float real = 0.0f;
};

struct LoggedStatement {
  int unit = 0;
  std::string file;
  bool free_format = true;
  std::vector<LoggedValue> values;
  bool ended = false;        // false: the statement failed on its last value
  bool end_of_file = false;  // it met the end of the file
  std::string skipped;       // what the statement passed over at the end of its last record
  std::int64_t end_record = 0;
};

class ReadLog : public ReadObserver {
 public:
  // Beyond this many statements or values the log stops growing (and says so), so that a huge input
  // costs bounded memory (about 6 MB: many times what two years of climate data and a table of 366
  // rows need).
  static constexpr std::size_t kMaxStatements = 20000;
  static constexpr std::size_t kMaxValues = 50000;

  void began(const InputChannel& in, bool free_format) override;
  void value(const InputChannel& in, const ReadValue& value) override;
  void ended(const InputChannel& in, bool end_of_file, std::string_view skipped) override;

  const std::vector<LoggedStatement>& statements() const { return statements_; }
  // The statements on the file name read through unit, in order.
  std::vector<const LoggedStatement*> of(int unit, std::string_view name) const;
  bool truncated() const { return truncated_; }

 private:
  std::vector<LoggedStatement> statements_;
  std::size_t values_ = 0;
  bool truncated_ = false;
  bool logging_ = false;  // the current statement is being kept
};

}  // namespace laifit::inspect
