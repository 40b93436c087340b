#include "inspect/read_log.hpp"

#include "records/input.hpp"

namespace laifit::inspect {

void ReadLog::began(const InputChannel& in, bool free_format) {
  logging_ = statements_.size() < kMaxStatements;
  if (!logging_) {
    truncated_ = true;
    return;
  }
  LoggedStatement s;
  s.unit = in.unit();
  s.file = in.name();
  s.free_format = free_format;
  statements_.push_back(std::move(s));
}

void ReadLog::value(const InputChannel&, const ReadValue& v) {
  if (!logging_) return;
  if (values_ >= kMaxValues) {
    truncated_ = true;
    return;
  }
  ++values_;
  statements_.back().values.push_back(LoggedValue{v.record, v.column, v.end_column, std::string(v.text), v.quoted,
                                                  v.null, v.separator, v.item, v.kind, v.stored, v.integer, v.real});
}

void ReadLog::ended(const InputChannel& in, bool end_of_file, std::string_view skipped) {
  if (!logging_) return;
  LoggedStatement& s = statements_.back();
  s.ended = true;
  s.end_of_file = end_of_file;
  s.skipped = skipped;
  s.end_record = in.record_number();
}

std::vector<const LoggedStatement*> ReadLog::of(int unit, std::string_view name) const {
  std::vector<const LoggedStatement*> out;
  for (const LoggedStatement& s : statements_) {
    if (s.unit == unit && s.file == name) out.push_back(&s);
  }
  return out;
}

}  // namespace laifit::inspect
