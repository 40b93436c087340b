#include "records/input.hpp"

#include <cstring>

#include "records/failure.hpp"

namespace laifit {
namespace {
constexpr std::size_t kBufferSize = 1 << 16;
}  // namespace

InputChannel::InputChannel(int unit, std::string name, platform::File file)
    : unit_(unit), name_(std::move(name)), file_(std::move(file)), buf_(new char[kBufferSize]) {}

InputChannel::~InputChannel() = default;

bool InputChannel::ensure(std::size_t n) {
  if (end_ - pos_ >= n) return true;
  if (at_eof_) return false;
  // Keep the unread bytes, drop the rest.
  std::memmove(buf_.get(), buf_.get() + pos_, end_ - pos_);
  base_ += pos_;
  end_ -= pos_;
  pos_ = 0;
  while (end_ < n && !at_eof_) {
    std::string why;
    const std::int64_t got = file_.read_at(base_ + end_, buf_.get() + end_, kBufferSize - end_, why);
    if (got < 0)
      throw RunFailure(Where::current(), unit_, name_, "Cannot read file: " + why,
                       failure_kind(platform::cause_of(why)));
    if (got == 0) at_eof_ = true;
    end_ += static_cast<std::size_t>(got);
  }
  return end_ - pos_ >= n;
}

bool InputChannel::begin_record() {
  if (in_record_) finish_record();
  if (!ensure(1)) return false;
  record_start_ = offset();
  record_ = next_record_++;
  in_record_ = true;
  return true;
}

int InputChannel::peek_slow() {
  if (!in_record_ || !ensure(1)) return kEndOfRecord;
  const auto c = static_cast<unsigned char>(buf_[pos_]);
  if (c == '\n') return kEndOfRecord;
  if (c == '\r' && ensure(2) && buf_[pos_ + 1] == '\n') return kEndOfRecord;
  return c;
}

void InputChannel::finish_record() {
  if (!in_record_) return;
  while (true) {
    if (!ensure(1)) break;
    // Scan the buffered bytes for the line feed in one go.
    const char* start = buf_.get() + pos_;
    const void* lf = std::memchr(start, '\n', end_ - pos_);
    if (lf != nullptr) {
      pos_ += static_cast<std::size_t>(static_cast<const char*>(lf) - start) + 1;
      break;
    }
    pos_ = end_;
  }
  in_record_ = false;
}

void InputChannel::step_back() {
  next_record_ = record_ > 0 ? record_ : 1;
  in_record_ = false;
  base_ = record_start_;
  pos_ = end_ = 0;
  at_eof_ = false;
}

}  // namespace laifit
