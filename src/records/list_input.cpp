#include "records/list_input.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

#include "records/failure.hpp"
#include "records/fpflags.hpp"

namespace laifit {
namespace {

constexpr int kEndOfRecord = InputChannel::kEndOfRecord;

bool is_blank(int c) { return c == ' ' || c == '\t'; }
bool ends_value(int c) {
  return c == kEndOfRecord || c == ' ' || c == '\t' || c == ',' || c == ';' || c == '/';
}
bool is_digit(int c) { return c >= '0' && c <= '9'; }
char lower(int c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); }

// Follows a numeric token character by character and keeps only what its value depends on: the sign,
// up to kKeep significant digits (a sticky digit stands for any non-zero digit dropped after them), the
// decimal exponent and the exponent part. A token of any length thus costs a fixed amount of memory,
// and the kept digits are more than any float rounding decision needs.
class NumberScan {
 public:
  void feed(int c) {
    switch (state_) {
      case State::start:
        if (c == '+' || c == '-') {
          negative_ = c == '-';
          state_ = State::sign;
          return;
        }
        [[fallthrough]];
      case State::sign:
        if (is_digit(c)) return integer_digit(c);
        if (c == '.') {
          state_ = State::point;
          return;
        }
        if (std::isalpha(c)) {
          state_ = State::word;
          return word_letter(c);
        }
        break;
      case State::integer:
        if (is_digit(c)) return integer_digit(c);
        if (c == '.') {
          state_ = State::point;
          return;
        }
        return exponent_start(c);
      case State::point:
      case State::fraction:
        if (is_digit(c)) {
          state_ = State::fraction;
          return fraction_digit(c);
        }
        if (mantissa_digits_ > 0) return exponent_start(c);
        break;
      case State::exponent_mark:
        if (c == '+' || c == '-') {
          exponent_negative_ = c == '-';
          state_ = State::exponent_sign;
          return;
        }
        [[fallthrough]];
      case State::exponent_sign:
      case State::exponent:
        if (is_digit(c)) {
          state_ = State::exponent;
          if (exponent_ < 100000000) exponent_ = exponent_ * 10 + (c - '0');
          return;
        }
        break;
      case State::word:
        if (std::isalpha(c)) return word_letter(c);
        break;
      case State::bad:
        return;
    }
    state_ = State::bad;
  }

  // Digits only so far, without sign: a repeat count when a '*' follows.
  bool plain_digits() const { return state_ == State::integer && !signed_; }

  // The value as a 32-bit integer; false when the token is not one or does not fit.
  bool integer(std::int32_t& out) const {
    if (state_ != State::integer || kept_ > 10 || sticky_) return false;
    std::int64_t v = 0;
    for (int k = 0; k < kept_; ++k) v = v * 10 + (digits_[k] - '0');
    if (negative_) v = -v;
    if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max()) return false;
    out = static_cast<std::int32_t>(v);
    return true;
  }

  // The float nearest to the token's value; false when the token is not a real number.
  bool real(float& out) const {
    std::string canonical;
    if (state_ == State::word) {
      const std::string_view w(word_, static_cast<std::size_t>(word_length_));
      if (w != "inf" && w != "infinity" && w != "nan") return false;
      if (negative_) canonical.push_back('-');
      canonical.append(w);
    } else {
      const bool complete = state_ == State::integer || state_ == State::fraction || state_ == State::exponent ||
                            (state_ == State::point && mantissa_digits_ > 0);
      if (!complete) return false;
      if (negative_) canonical.push_back('-');
      if (kept_ == 0) {
        canonical.push_back('0');
      } else {
        std::int64_t e = decimal_exponent_ + (exponent_negative_ ? -exponent_ : exponent_);
        if (e > 999999) e = 999999;
        if (e < -999999) e = -999999;
        canonical += "0.";
        canonical.append(digits_, static_cast<std::size_t>(kept_));
        if (sticky_) canonical.push_back('1');
        canonical += 'e';
        canonical += std::to_string(e);
      }
    }
    // Text to number raises no flag of its own: the conversion runs under a saved state.
    FpStateGuard keep;
    float v = 0.0f;
    const auto r = std::from_chars(canonical.data(), canonical.data() + canonical.size(), v);
    if (r.ec == std::errc::result_out_of_range) {
      // Beyond the float range: the IEEE-rounded result is an infinity or a zero.
      const bool huge = canonical.find("e-") == std::string::npos;
      v = huge ? std::numeric_limits<float>::infinity() : 0.0f;
      if (negative_) v = -v;
    } else if (r.ec != std::errc() || r.ptr != canonical.data() + canonical.size()) {
      return false;
    }
    out = v;
    return true;
  }

 private:
  enum class State : std::uint8_t {
    start, sign, integer, point, fraction, exponent_mark, exponent_sign, exponent, word, bad
  };
  static constexpr int kKeep = 200;

  void keep_digit(int c) {
    if (kept_ < kKeep) {
      digits_[kept_++] = static_cast<char>(c);
    } else if (c != '0') {
      sticky_ = true;
    }
  }
  void integer_digit(int c) {
    if (state_ == State::sign) signed_ = true;
    state_ = State::integer;
    ++mantissa_digits_;
    if (kept_ == 0 && c == '0') return;  // leading zeros carry nothing
    keep_digit(c);
    ++decimal_exponent_;
  }
  void fraction_digit(int c) {
    ++mantissa_digits_;
    if (kept_ == 0 && c == '0') {
      --decimal_exponent_;
      return;
    }
    keep_digit(c);
  }
  void exponent_start(int c) {
    const char l = lower(c);
    if (l == 'e' || l == 'd' || l == 'q') {
      state_ = State::exponent_mark;
      return;
    }
    if (c == '+' || c == '-') {  // 1.5+3: the sign itself starts the exponent
      exponent_negative_ = c == '-';
      state_ = State::exponent_sign;
      return;
    }
    state_ = State::bad;
  }
  void word_letter(int c) {
    if (word_length_ == static_cast<int>(sizeof word_)) {
      state_ = State::bad;
      return;
    }
    word_[word_length_++] = lower(c);
  }

  State state_ = State::start;
  bool negative_ = false;
  bool signed_ = false;
  char digits_[kKeep];
  int kept_ = 0;
  bool sticky_ = false;
  std::int64_t mantissa_digits_ = 0;
  std::int64_t decimal_exponent_ = 0;
  bool exponent_negative_ = false;
  std::int64_t exponent_ = 0;
  char word_[8];
  int word_length_ = 0;
};

// A value as read: its leading characters for text destinations, its scan for numeric ones.
struct Value {
  static constexpr std::size_t kTextKeep = 1024;
  bool quoted = false;
  std::size_t length = 0;  // characters kept in text
  char text[kTextKeep];
  NumberScan number;

  void add(int c) {
    if (length < kTextKeep) text[length++] = static_cast<char>(c);
    if (!quoted) number.feed(c);
  }
  // Starts a new value; the text characters past length are never read, so they are not cleared.
  void reset() {
    quoted = false;
    length = 0;
    number = NumberScan{};
  }
};

class ListReader {
 public:
  ListReader(InputChannel& in, Where where) : in_(in), where_(where) {}

  // False when the end of the file was met before the statement completed.
  bool run(std::span<const Dest> dests) {
    if (!in_.begin_record()) return false;
    for (const Dest& d : dests) {
      for (std::size_t k = 0; k < d.count(); ++k) {
        ++item_;
        if (repeat_ == 0) {
          const Next next = next_value();
          if (next == Next::end_of_file) return false;
          if (next == Next::slash) {
            in_.finish_record();
            return true;
          }
        }
        --repeat_;
        if (!null_) store(d, k);
      }
    }
    in_.finish_record();
    return true;
  }

 private:
  enum class Next : std::uint8_t { value, slash, end_of_file };

  [[noreturn]] void fail(const std::string& cause) const { throw RunFailure(where_, in_.unit(), in_.name(), cause); }

  // Skips blanks, tabs and record ends; false at the end of the file.
  bool skip_blanks() {
    while (true) {
      const int c = in_.peek();
      if (is_blank(c)) {
        in_.advance();
      } else if (c == kEndOfRecord) {
        if (!in_.begin_record()) return false;
      } else {
        return true;
      }
    }
  }

  // Finds the next value (or null value) after the separator that follows the previous one; sets
  // repeat_, null_ and value_.
  Next next_value() {
    if (!first_) {
      if (!skip_blanks()) return Next::end_of_file;
      const int c = in_.peek();
      if (c == ',' || c == ';') in_.advance();
    }
    first_ = false;
    if (!skip_blanks()) return Next::end_of_file;
    int c = in_.peek();
    if (c == '/') return Next::slash;
    repeat_ = 1;
    null_ = false;
    if (c == ',' || c == ';') {  // an empty value; its comma separates it from the next
      null_ = true;
      return Next::value;
    }
    value_.reset();
    if (c == '\'' || c == '"') return quoted(static_cast<char>(c));
    while (!ends_value(c = in_.peek())) {
      if (c == '*' && value_.number.plain_digits()) {
        std::int32_t r = 0;
        if (!value_.number.integer(r)) fail("Repeat count overflow in item " + std::to_string(item_) + " of list input");
        if (r == 0) fail("Zero repeat count in item " + std::to_string(item_) + " of list input");
        in_.advance();
        repeat_ = r;
        value_.reset();
        c = in_.peek();
        if (ends_value(c)) {  // r*: r empty values
          null_ = true;
          return Next::value;
        }
        if (c == '\'' || c == '"') return quoted(static_cast<char>(c));
        continue;
      }
      value_.add(c);
      in_.advance();
    }
    return Next::value;
  }

  // A delimited text; a doubled delimiter stands for one, and the value may go on in the next record.
  Next quoted(char delim) {
    value_.quoted = true;
    in_.advance();
    while (true) {
      const int c = in_.peek();
      if (c == kEndOfRecord) {
        if (!in_.begin_record()) return Next::end_of_file;
        continue;
      }
      in_.advance();
      if (c == delim) {
        if (in_.peek() != delim) return Next::value;
        in_.advance();
      }
      value_.add(c);
    }
  }

  void store(const Dest& d, std::size_t k) {
    switch (d.kind()) {
      case Dest::Kind::integer:
      case Dest::Kind::integers:
        if (value_.quoted || !value_.number.integer(d.integer(k))) {
          fail("Bad integer for item " + std::to_string(item_) + " in list input");
        }
        break;
      case Dest::Kind::real:
      case Dest::Kind::reals:
        if (value_.quoted || !value_.number.real(d.real(k))) {
          fail("Bad real number in item " + std::to_string(item_) + " of list input");
        }
        break;
      case Dest::Kind::text:
      case Dest::Kind::characters: {
        const std::span<char> field = d.text(k);
        const std::size_t n = value_.length < field.size() ? value_.length : field.size();
        // copy_n and fill, unlike memcpy and memset, accept the null data of an empty field.
        std::copy_n(value_.text, n, field.data());
        std::fill(field.begin() + static_cast<std::ptrdiff_t>(n), field.end(), ' ');
        break;
      }
    }
  }

  InputChannel& in_;
  Where where_;
  int item_ = 0;
  bool first_ = true;
  std::int32_t repeat_ = 0;
  bool null_ = false;
  Value value_;
};

bool list_read(InputChannel& in, std::initializer_list<Dest> dests, Where where) {
  return ListReader(in, where).run(std::span<const Dest>(dests.begin(), dests.size()));
}

[[noreturn]] void end_of_file(InputChannel& in, Where where) {
  throw RunFailure(where, in.unit(), in.name(), "End of file");
}

// Reads the next w characters of the record; a short record reads as if padded with blanks.
void take_field(InputChannel& in, char* field, std::size_t w) {
  for (std::size_t k = 0; k < w; ++k) {
    const int c = in.peek();
    if (c == InputChannel::kEndOfRecord) {
      std::memset(field + k, ' ', w - k);
      return;
    }
    field[k] = static_cast<char>(c);
    in.advance();
  }
}

// Iw input: blanks are ignored, an all-blank field is 0, otherwise an optional sign and digits.
bool integer_field(const char* field, std::size_t w, std::int32_t& out) {
  std::int64_t v = 0;
  bool negative = false, sign = false, digits = false;
  for (std::size_t k = 0; k < w; ++k) {
    const char c = field[k];
    if (c == ' ') continue;
    if ((c == '+' || c == '-') && !sign && !digits) {
      sign = true;
      negative = c == '-';
    } else if (is_digit(c)) {
      digits = true;
      v = v * 10 + (c - '0');
      if (v > std::int64_t{1} << 32) return false;
    } else {
      return false;
    }
  }
  if (sign && !digits) return false;
  if (negative) v = -v;
  if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max()) return false;
  out = static_cast<std::int32_t>(v);
  return true;
}

bool fixed_read(InputChannel& in, const Format& format, std::initializer_list<Dest> dests, Where where) {
  if (!in.begin_record()) return false;
  std::span<const Dest> list(dests.begin(), dests.size());
  std::size_t d = 0, k = 0;
  auto settle = [&] {
    while (d < list.size() && k >= list[d].count()) ++d, k = 0;
  };
  settle();
  char field[256];
  const auto steps = format.steps();
  while (true) {
    for (std::size_t s = 0; s < steps.size(); ++s) {
      const FormatStep& step = steps[s];
      switch (step.kind) {
        case FormatStep::Kind::integer:
        case FormatStep::Kind::characters: {
          if (d == list.size()) {
            in.finish_record();
            return true;
          }
          const Dest& dest = list[d];
          // A run of one-character fields fills a character array's elements together.
          if (step.kind == FormatStep::Kind::characters && step.width == 1 && step.run > 1 &&
              dest.kind() == Dest::Kind::characters) {
            const std::size_t n = std::min<std::size_t>(step.run, dest.count() - k);
            take_field(in, dest.text(k).data(), n);
            k += n;
            s += n - 1;
            settle();
            break;
          }
          if (step.kind == FormatStep::Kind::integer) {
            if (dest.kind() != Dest::Kind::integer && dest.kind() != Dest::Kind::integers) {
              throw std::logic_error("I needs an integer destination: " + format.literal());
            }
            const auto w = static_cast<std::size_t>(step.width);
            take_field(in, field, w);
            if (!integer_field(field, w, dest.integer(k))) {
              throw RunFailure(where, in.unit(), in.name(), "Bad value during integer read");
            }
          } else {
            if (dest.kind() != Dest::Kind::text && dest.kind() != Dest::Kind::characters) {
              throw std::logic_error("A needs a text destination: " + format.literal());
            }
            const std::span<char> text = dest.text(k);
            const std::size_t w = step.width == 0 ? text.size() : static_cast<std::size_t>(step.width);
            // A width-less A takes the destination's length, which may exceed the field buffer.
            if (w > sizeof field) throw std::logic_error("A field wider than a record needs: " + format.literal());
            take_field(in, field, w);
            // Aw input keeps the rightmost characters of a wide field, pads a narrow one with blanks.
            if (w >= text.size()) {
              std::copy_n(field + (w - text.size()), text.size(), text.data());
            } else {
              std::copy_n(field, w, text.data());
              std::fill(text.begin() + static_cast<std::ptrdiff_t>(w), text.end(), ' ');
            }
          }
          ++k;
          settle();
          break;
        }
        case FormatStep::Kind::skip:
          for (int n = 0; n < step.width && in.peek() != InputChannel::kEndOfRecord; ++n) in.advance();
          break;
        case FormatStep::Kind::slash:
          if (!in.begin_record()) return false;
          break;
        default:
          throw std::logic_error("format not usable for input: " + format.literal());
      }
    }
    if (d == list.size()) break;
    if (!format.has_data()) throw std::logic_error("format without data descriptors: " + format.literal());
    if (!in.begin_record()) return false;  // destinations remain: the format starts again on a new record
  }
  in.finish_record();
  return true;
}

}  // namespace

void read_list(InputChannel& in, std::initializer_list<Dest> dests, Where where) {
  if (!list_read(in, dests, where)) end_of_file(in, where);
}

bool read_list_or_end(InputChannel& in, std::initializer_list<Dest> dests, Where where) {
  return list_read(in, dests, where);
}

void read_fixed(InputChannel& in, const Format& format, std::initializer_list<Dest> dests, Where where) {
  if (!fixed_read(in, format, dests, where)) end_of_file(in, where);
}

bool read_fixed_or_end(InputChannel& in, const Format& format, std::initializer_list<Dest> dests, Where where) {
  return fixed_read(in, format, dests, where);
}

}  // namespace laifit
