#pragma once
// An observer of reading statements: each value of a free-format read and each field of a fixed-field
// read as it was written (its record, its columns, its characters, what ended it) and what became of it.
// A channel without an observer reads exactly as before; with one, the reader only adds these reports.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace laifit {

class InputChannel;

// One value of a statement (free format) or one field (fixed fields).
struct ReadValue {
  enum class Kind : std::uint8_t { integer, real, text };

  std::int64_t record = 0;     // record number in the file, from 1
  std::size_t column = 0;      // position of its first character in the record, from 0
  std::size_t end_column = 0;  // position just after its last character (a closing delimiter included)
  // The characters as written (the first 1024 of a longer value); for a delimited text, without its
  // delimiters and with a doubled delimiter taken as one.
  std::string_view text;
  bool quoted = false;
  bool null = false;  // an empty value: the destination keeps its contents
  // The character just after the value: a blank, a tab, ',', ';', '/', or end_of_record.
  int separator = kEndOfRecord;
  std::int32_t item = 0;     // item number in the statement, from 1
  Kind kind = Kind::text;    // what the destination takes (text when the read has no destinations)
  bool stored = true;        // false: not a valid value of that kind, and the statement fails
  std::int32_t integer = 0;  // the value stored, for an integer destination
  float real = 0.0f;         // the value stored, for a real destination

  static constexpr int kEndOfRecord = -1;
};

class ReadObserver {
 public:
  virtual ~ReadObserver() = default;
  // A statement starts on in; free_format false for a fixed-field read.
  virtual void began(const InputChannel& /*in*/, bool /*free_format*/) {}
  // A value (or a field) has been taken, before it is stored; when it cannot be stored the statement
  // fails right after this call.
  virtual void value(const InputChannel& /*in*/, const ReadValue& /*value*/) {}
  // The statement is complete, or met the end of the file. skipped: the first 1024 characters of the
  // rest of the last record, which a free-format read passes over.
  virtual void ended(const InputChannel& /*in*/, bool /*end_of_file*/, std::string_view /*skipped*/) {}
};

}  // namespace laifit
