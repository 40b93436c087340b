#pragma once
// Input channels: a file read record by record, character by character within a record.
//
// A record ends at a line feed; a carriage return just before it belongs to the terminator, a lone one
// is an ordinary character. A last line without terminator is a record. The file is streamed through a
// fixed buffer, so a record of any length costs no memory beyond it.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "platform/files.hpp"

namespace laifit {

class ReadObserver;

class InputChannel {
 public:
  static constexpr int kEndOfRecord = -1;

  InputChannel(int unit, std::string name, platform::File file);
  ~InputChannel();
  InputChannel(const InputChannel&) = delete;
  InputChannel& operator=(const InputChannel&) = delete;

  // Starts the next record; false at the end of the file.
  bool begin_record();
  // The next character of the current record (0..255), or kEndOfRecord.
  int peek() {
    if (pos_ + 1 < end_ || (pos_ < end_ && at_eof_)) {
      const auto c = static_cast<unsigned char>(buf_[pos_]);
      if (c == '\n') return kEndOfRecord;
      if (c != '\r') return c;
    }
    return peek_slow();
  }
  // Consumes the character that peek returned (not the end of the record).
  void advance() { ++pos_; }
  // Skips the rest of the current record and its terminator.
  void finish_record();
  // The rest of the current record, its terminator excluded, when all of it is already buffered; empty
  // data (a null pointer) otherwise. The terminator ('\r' or '\n') follows the view in memory. For a
  // reader that takes a whole record at once, then finishes it.
  std::string_view buffered_record() const {
    const char* start = buf_.get() + pos_;
    const void* lf = in_record_ ? std::memchr(start, '\n', end_ - pos_) : nullptr;
    if (lf == nullptr) return {};
    std::size_t n = static_cast<std::size_t>(static_cast<const char*>(lf) - start);
    if (n > 0 && start[n - 1] == '\r') --n;
    return {start, n};
  }
  // Goes back to the start of the record begun last, so that it is read again.
  void step_back();

  int unit() const { return unit_; }
  const std::string& name() const { return name_; }

  // The number of the record begun last, from 1; a step back makes the next record the same number.
  std::int64_t record_number() const { return record_; }
  // The position of the next character within the current record, from 0.
  std::size_t column() const { return static_cast<std::size_t>(offset() - record_start_); }

  // The observer told of every reading statement on this channel (none: nullptr).
  void observe(ReadObserver* observer) { observer_ = observer; }
  ReadObserver* observer() const { return observer_; }

 private:
  int peek_slow();
  // Makes at least n bytes available from pos_ unless the file ends first; false when fewer remain.
  bool ensure(std::size_t n);
  std::uint64_t offset() const { return base_ + pos_; }

  int unit_;
  std::string name_;
  platform::File file_;
  std::unique_ptr<char[]> buf_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::uint64_t base_ = 0;  // file offset of buf_[0]
  bool at_eof_ = false;
  bool in_record_ = false;
  std::uint64_t record_start_ = 0;
  std::int64_t record_ = 0;
  std::int64_t next_record_ = 1;
  ReadObserver* observer_ = nullptr;
};

}  // namespace laifit
