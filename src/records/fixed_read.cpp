#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "check/check.hpp"
#include "records/failure.hpp"
#include "records/list_input.hpp"

namespace laifit {
namespace {

// Fixed-field reading: I, A and X descriptors laid out by a format literal.

bool is_digit(int c) { return c >= '0' && c <= '9'; }

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

// Tells the observer of a field just taken: w characters from column on the current record.
void report_field(InputChannel& in, std::size_t column, const char* field, std::size_t w, ReadValue::Kind kind,
                  bool stored, std::int32_t integer, std::int32_t item) {
  ReadValue v;
  v.record = in.record_number();
  v.column = column;
  v.end_column = in.column();
  v.text = std::string_view(field, w);
  v.separator = in.peek();
  v.item = item;
  v.kind = kind;
  v.stored = stored;
  v.integer = integer;
  in.observer()->value(in, v);
}

bool fixed_read(InputChannel& in, const Format& format, std::initializer_list<Dest> dests, Where where) {
  ReadObserver* const observer = in.observer();
  if (observer != nullptr) observer->began(in, false);
  auto end_of_file = [&] {
    if (observer != nullptr) observer->ended(in, true, {});
    return false;
  };
  if (!in.begin_record()) return end_of_file();
  std::int32_t item = 0;
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
            if (observer != nullptr) observer->ended(in, false, {});
            in.finish_record();
            return true;
          }
          const Dest& dest = list[d];
          const std::size_t column = observer != nullptr ? in.column() : 0;
          ++item;
          // A run of one-character fields fills a character array's elements together.
          if (step.kind == FormatStep::Kind::characters && step.width == 1 && step.run > 1 &&
              dest.kind() == Dest::Kind::characters) {
            const std::size_t n = std::min<std::size_t>(step.run, dest.count() - k);
            take_field(in, dest.text(k).data(), n);
            if (observer != nullptr) {
              report_field(in, column, dest.text(k).data(), n, ReadValue::Kind::text, true, 0, item);
            }
            item += static_cast<std::int32_t>(n) - 1;
            k += n;
            s += n - 1;
            settle();
            break;
          }
          if (step.kind == FormatStep::Kind::integer) {
            LAIFIT_CHECK(dest.kind() == Dest::Kind::integer || dest.kind() == Dest::Kind::integers,
                         "I needs an integer destination: " + std::string(format.literal()));
            const auto w = static_cast<std::size_t>(step.width);
            take_field(in, field, w);
            const bool ok = integer_field(field, w, dest.integer(k));
            if (observer != nullptr) {
              report_field(in, column, field, w, ReadValue::Kind::integer, ok, dest.integer(k), item);
            }
            if (!ok)
              throw RunFailure(where, in.unit(), in.name(), "Bad value during integer read", FailureKind::bad_integer);
          } else {
            LAIFIT_CHECK(dest.kind() == Dest::Kind::text || dest.kind() == Dest::Kind::characters,
                         "A needs a text destination: " + std::string(format.literal()));
            const std::span<char> text = dest.text(k);
            const std::size_t w = step.width == 0 ? text.size() : static_cast<std::size_t>(step.width);
            // A width-less A takes the destination's length, which may exceed the field buffer.
            LAIFIT_CHECK(w <= sizeof field, "A field wider than a record needs: " + std::string(format.literal()));
            take_field(in, field, w);
            if (observer != nullptr) report_field(in, column, field, w, ReadValue::Kind::text, true, 0, item);
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
          for (std::uint32_t n = 0; n < step.width && in.peek() != InputChannel::kEndOfRecord; ++n) in.advance();
          break;
        case FormatStep::Kind::slash:
          if (!in.begin_record()) return end_of_file();
          break;
        default: internal_error("format not usable for input: " + std::string(format.literal()), __FILE__, __LINE__);
      }
    }
    if (d == list.size()) break;
    LAIFIT_CHECK(format.has_data(), "format without data descriptors: " + std::string(format.literal()));
    if (!in.begin_record()) return end_of_file();  // destinations remain: the format starts again on a new record
  }
  if (observer != nullptr) observer->ended(in, false, {});
  in.finish_record();
  return true;
}

}  // namespace

void read_fixed(InputChannel& in, const Format& format, std::initializer_list<Dest> dests, Where where) {
  if (!fixed_read(in, format, dests, where))
    throw RunFailure(where, in.unit(), in.name(), "End of file", FailureKind::end_of_file);
}

bool read_fixed_or_end(InputChannel& in, const Format& format, std::initializer_list<Dest> dests, Where where) {
  return fixed_read(in, format, dests, where);
}

}  // namespace laifit
