#include "records/output.hpp"

#include <algorithm>
#include <stdexcept>

#include "check/check.hpp"
#include "records/edit.hpp"
#include "records/failure.hpp"

namespace laifit {
namespace {}  // namespace

// The first bytes are written over the file's start and the file is ended after them: the file then
// holds what emptying it and writing would have left, at a fraction of the file system's cost.
bool FileSink::put(std::string_view bytes, std::string& error) {
  if (!file_.write(bytes, error)) {
    std::string ignored;
    if (cut_) file_.end_here(ignored);  // what was written of them, and nothing of the old bytes
    return false;
  }
  if (cut_) {
    if (!file_.end_here(error)) return false;
    cut_ = false;
  }
  return true;
}

bool HeldSink::put(std::string_view bytes, std::string& error) {
  if (target_ == nullptr) {
    held_.append(bytes);
    return true;
  }
  return target_->put(bytes, error);
}

bool HeldSink::release(std::unique_ptr<ByteSink> target, std::string& error) {
  target_ = std::move(target);
  const std::string held = std::move(held_);
  held_.clear();
  return held.empty() || target_->put(held, error);
}

OutputChannel::OutputChannel(int unit, std::string name, std::unique_ptr<ByteSink> sink)
    : unit_(unit),
      name_(std::move(name)),
      sink_(std::move(sink)),
      flush_threshold_(std::min(sink_->block_size(), ByteSink::kDefaultBlock)),
      buffer_(sink_->block_size() + 4096) {}

OutputChannel::~OutputChannel() = default;

void OutputChannel::flush(Where where) {
  if (!buffer_.empty()) hand_over(buffer_.size(), where);
}

void OutputChannel::hand_over(std::size_t n, Where where) {
  std::string error;
  const bool ok = sink_->put(buffer_.view().substr(0, n), error);
  written_ += n;
  buffer_.drop_front(n);
  if (!ok)
    throw RunFailure(where, unit_, name_, "Cannot write to file: " + error, failure_kind(platform::cause_of(error)));
}

void OutputChannel::flush_block(Where where) {
  hand_over(flush_threshold_, where);
  if (written_ >= ByteSink::kLargeOutput) flush_threshold_ = sink_->block_size();
}

void OutputChannel::end_record(Where where) {
  buffer_.append("\r\n");
  if (buffer_.size() >= flush_threshold_) flush_block(where);
}

void OutputChannel::write(const Format& format, std::span<const Item> items, Where where) {
  ItemCursor cursor(items);
  LAIFIT_CHECK(cursor.done() || format.has_data(),
               "format " + std::string(format.literal()) + " has items but no data descriptor");
  const auto steps = format.steps();
  std::size_t pending_skip = 0;  // X positions become blanks only when something follows them
  while (true) {
    for (std::size_t s = 0; s < steps.size(); ++s) {
      const FormatStep& step = steps[s];
      if (step.is_data()) {
        if (cursor.done()) {
          end_record(where);
          return;
        }
        buffer_.fill(' ', pending_skip);
        pending_skip = 0;
        // A run of one-character fields takes the characters of a character array together.
        if (step.kind == FormatStep::Kind::characters && step.width == 1 && step.run > 1) {
          const std::string_view run = cursor.next_characters(step.run);
          if (!run.empty()) {
            buffer_.append(run);
            s += run.size() - 1;
            continue;
          }
        }
        const Scalar v = cursor.next();
        switch (step.kind) {
          case FormatStep::Kind::integer:
            LAIFIT_CHECK(v.kind == Scalar::Kind::integer, "I needs an integer: " + std::string(format.literal()));
            edit_integer(buffer_, v.integer, static_cast<int>(step.width));
            break;
          case FormatStep::Kind::fixed:
          case FormatStep::Kind::exponent:
            LAIFIT_CHECK(v.kind == Scalar::Kind::real, "F and E need a real: " + std::string(format.literal()));
            if (step.kind == FormatStep::Kind::fixed) {
              edit_fixed(buffer_, v.real, static_cast<int>(step.width), step.digits);
            } else {
              edit_exponent(buffer_, v.real, static_cast<int>(step.width), step.digits);
            }
            break;
          default:
            LAIFIT_CHECK(v.kind == Scalar::Kind::text, "A needs a text: " + std::string(format.literal()));
            edit_characters(buffer_, v.text, static_cast<int>(step.width));
            break;
        }
        continue;
      }
      switch (step.kind) {
        case FormatStep::Kind::skip: pending_skip += static_cast<std::size_t>(step.width); break;
        case FormatStep::Kind::text:
          buffer_.fill(' ', pending_skip);
          pending_skip = 0;
          buffer_.append(format.text(step));
          break;
        default:  // slash
          pending_skip = 0;
          end_record(where);
          break;
      }
    }
    pending_skip = 0;
    if (cursor.done()) break;
    end_record(where);  // items remain: the format starts again on a new record
  }
  end_record(where);
}

void OutputChannel::write_list(std::span<const Item> items, Where where) {
  // One blank before every value but the first, except between two texts, which touch.
  enum class Last : std::uint8_t { nothing, text, value } last = Last::nothing;
  auto before_value = [&] {
    if (last != Last::nothing) buffer_.push(' ');
    last = Last::value;
  };
  auto before_text = [&] {
    if (last == Last::value) buffer_.push(' ');
    last = Last::text;
  };
  buffer_.push(' ');
  for (const Item& item : items) {
    switch (item.kind()) {
      case Item::Kind::integer:
        before_value();
        list_integer(buffer_, item.integer());
        break;
      case Item::Kind::real:
        before_value();
        list_real(buffer_, item.real());
        break;
      case Item::Kind::integers:
        for (const std::int32_t v : item.ints()) {
          before_value();
          list_integer(buffer_, v);
        }
        break;
      case Item::Kind::reals:
        for (const float v : item.reals()) {
          before_value();
          list_real(buffer_, v);
        }
        break;
      case Item::Kind::text:
        before_text();
        buffer_.append(item.text());
        break;
      case Item::Kind::characters:  // one-character texts, back to back
        if (item.text().empty()) break;
        before_text();
        buffer_.append(item.text());
        break;
    }
  }
  end_record(where);
}

}  // namespace laifit
