#pragma once
// Output channels: the screen and files written record by record, in fixed-field or free format.
//
// Records end with CR LF. Writes are buffered and reach their destination in order; a destination that
// refuses bytes (a full disk, a closed pipe) ends the run with a diagnostic instead of a silent loss.

#include <cstring>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>

#include "check/where.hpp"
#include "platform/files.hpp"
#include "records/format.hpp"
#include "records/items.hpp"
#include "records/text_buffer.hpp"

namespace laifit {

// Where the bytes of a channel go.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Delivers all of bytes; on failure returns false and says why in error.
  virtual bool put(std::string_view bytes, std::string& error) = 0;
  // How many bytes a channel collects before it hands them over in one put, once it has written
  // kLargeOutput bytes; before that it hands over blocks of at most kDefaultBlock.
  virtual std::size_t block_size() const { return kDefaultBlock; }

  static constexpr std::size_t kDefaultBlock = 1 << 16;
  // For a screen that is a regular file, where fewer, larger writes cost less. 256 KiB measured best on
  // f21's 14.4 MB screen: 1 MiB blocks cost more CPU than 64 KiB ones (the block no longer stays in the
  // cache between being filled and being copied to the file, and its pages fault in at the first fill).
  static constexpr std::size_t kFileScreenBlock = 1 << 18;
  // A first page's touch costs about as much as a few writes: an output takes its larger block only once it
  // is this long (f11's 1.7 MB screen writes in 64 KiB blocks, f21's 14.4 MB mostly in 256 KiB ones).
  static constexpr std::size_t kLargeOutput = 2 << 20;
};

// Appends to a string: a captured screen in tests.
class StringSink : public ByteSink {
 public:
  explicit StringSink(std::string& target) : target_(target) {}
  bool put(std::string_view bytes, std::string&) override {
    target_.append(bytes);
    return true;
  }

 private:
  std::string& target_;
};

// Accepts and forgets everything (the records are still formatted).
class NullSink : public ByteSink {
 public:
  bool put(std::string_view bytes, std::string&) override {
    bytes_ += bytes.size();
    return true;
  }
  std::size_t bytes() const { return bytes_; }

 private:
  std::size_t bytes_ = 0;
};

// Writes to an open file (or standard output); a file opened afresh may be cut at its first write, so
// that a file opened and never written keeps its contents: it is then written from its start and ended
// after the first bytes.
class FileSink : public ByteSink {
 public:
  FileSink(platform::File file, bool cut_on_first_write, std::size_t block = kDefaultBlock)
      : file_(std::move(file)), cut_(cut_on_first_write), block_(block) {}
  bool put(std::string_view bytes, std::string& error) override;
  std::size_t block_size() const override { return block_; }

 private:
  platform::File file_;
  bool cut_;
  std::size_t block_;
};

// Holds every byte in memory until it is given its destination, then hands the held bytes over and
// passes every later byte on: a channel whose file must not be opened before the run knows it is safe to.
class HeldSink : public ByteSink {
 public:
  bool put(std::string_view bytes, std::string& error) override;
  // Sends the held bytes to target, which takes every later byte too.
  bool release(std::unique_ptr<ByteSink> target, std::string& error);
  bool released() const { return target_ != nullptr; }

 private:
  std::string held_;
  std::unique_ptr<ByteSink> target_;
};

class OutputChannel {
 public:
  OutputChannel(int unit, std::string name, std::unique_ptr<ByteSink> sink);
  ~OutputChannel();
  OutputChannel(const OutputChannel&) = delete;
  OutputChannel& operator=(const OutputChannel&) = delete;

  // A fixed-field statement: one or more records laid out by the format.
  void write(const Format& format, std::initializer_list<Item> items, Where where = Where::current()) {
    write(format, std::span<const Item>(items.begin(), items.size()), where);
  }
  void write(const Format& format, std::span<const Item> items, Where where = Where::current());

  // A free-format statement: exactly one record.
  void write_list(std::initializer_list<Item> items, Where where = Where::current()) {
    write_list(std::span<const Item>(items.begin(), items.size()), where);
  }
  void write_list(std::span<const Item> items, Where where = Where::current());

  // One record made of pieces already laid out by the field editors (edit.hpp), joined as they are: for a
  // caller that writes the same fields many times and renders each of them once.
  void write_pieces(std::initializer_list<std::string_view> pieces, Where where = Where::current()) {
    std::size_t size = 2;
    for (const std::string_view piece : pieces) size += piece.size();
    char* out = buffer_.claim(size);
    for (const std::string_view piece : pieces) {
      if (!piece.empty()) std::memcpy(out, piece.data(), piece.size());
      out += piece.size();
    }
    out[0] = '\r';
    out[1] = '\n';
    buffer_.advance(size);
    if (buffer_.size() >= flush_threshold_) flush_block(where);
  }

  // Hands everything buffered to the sink; a refusal ends the run.
  void flush(Where where = Where::current());

  int unit() const { return unit_; }
  const std::string& name() const { return name_; }
  std::size_t bytes_written() const { return written_; }

 private:
  void end_record(Where where);
  // Hands the sink exactly one block, so that every write but the last starts and ends on a page boundary
  // of the file; the rest of the last record stays buffered.
  void flush_block(Where where);
  // Hands the sink the first n buffered bytes and keeps the rest; a refusal ends the run.
  void hand_over(std::size_t n, Where where);

  int unit_;
  std::string name_;
  std::unique_ptr<ByteSink> sink_;
  // Records are collected until this much is buffered (the sink's block, or less while the output is
  // short), then handed over in one put.
  std::size_t flush_threshold_;
  TextBuffer buffer_;
  std::size_t written_ = 0;
};

}  // namespace laifit
