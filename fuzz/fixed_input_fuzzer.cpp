// Fixed-field reads of arbitrary bytes with the two input formats of laifit: "(200a1)" into one-character
// fields (the line buffer of the observation table) and "(i2,1x,i2,1x,i4)" into integers (the emergence
// date). Besides crashes and sanitizer reports, every statement is checked against a model of the
// record rules worked out here from the raw bytes: which records it reads, the characters or integers
// it stores, and whether it ends at the end of the file or fails on a bad integer field.
//
// Input layout: that of reader_input (fuzz_support.hpp).

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "records/failure.hpp"
#include "records/format.hpp"
#include "records/list_input.hpp"

namespace {

using laifit::Dest;
using laifit::fuzz::fail;

// The records of a file: each ends at a line feed, a carriage return just before it belongs to the
// terminator, and a last line without terminator is still a record.
std::vector<std::string> records_of(std::string_view file) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < file.size()) {
    const std::size_t lf = file.find('\n', start);
    if (lf == std::string_view::npos) {
      out.emplace_back(file.substr(start));
      break;
    }
    std::size_t end = lf;
    if (end > start && file[end - 1] == '\r') --end;
    out.emplace_back(file.substr(start, end - start));
    start = lf + 1;
  }
  return out;
}

// An Iw field: blanks ignored, all blanks read as 0, otherwise an optional sign and then digits only.
std::optional<std::int32_t> integer_field(std::string_view field) {
  std::int64_t v = 0;
  bool negative = false, sign = false, digits = false;
  for (const char c : field) {
    if (c == ' ') continue;
    if ((c == '+' || c == '-') && !sign && !digits) {
      sign = true;
      negative = c == '-';
    } else if (c >= '0' && c <= '9') {
      digits = true;
      v = v * 10 + (c - '0');
    } else {
      return std::nullopt;
    }
  }
  if (sign && !digits) return std::nullopt;
  return static_cast<std::int32_t>(negative ? -v : v);
}

// Field w of a record padded with blanks on the right.
std::string padded(const std::string& record, std::size_t from, std::size_t w) {
  std::string f(w, ' ');
  for (std::size_t k = 0; k < w && from + k < record.size(); ++k) f[k] = record[from + k];
  return f;
}

// Where the model stands in the file: the next record to begin and the record begun last.
struct Position {
  std::size_t next = 0;
  std::size_t last_begun = 0;
};

class Model {
 public:
  explicit Model(std::string_view file) : records_(records_of(file)) {}

  // A statement reading records for count destinations of per_record each (at least one record).
  // Returns the records it reads in order, stopping early at the end of the file (then *ended is set).
  std::vector<const std::string*> take(std::size_t count, std::size_t per_record, bool* ended) {
    const std::size_t wanted = count == 0 ? 1 : (count + per_record - 1) / per_record;
    std::vector<const std::string*> got;
    *ended = false;
    for (std::size_t r = 0; r < wanted; ++r) {
      if (pos_.next >= records_.size()) {
        *ended = true;
        break;
      }
      pos_.last_begun = pos_.next;
      got.push_back(&records_[pos_.next++]);
    }
    return got;
  }
  void step_back() { pos_.next = pos_.last_begun; }

 private:
  std::vector<std::string> records_;
  Position pos_;
};

const laifit::Format& line_format() {
  static const laifit::Format f("(200a1)");
  return f;
}
const laifit::Format& date_format() {
  static const laifit::Format f("(i2,1x,i2,1x,i4)");
  return f;
}

// "(200a1)" into count one-character fields. False when the statement ended the file.
bool line_statement(laifit::InputChannel& in, Model& model, std::size_t count, bool or_end) {
  constexpr char kUnset = '\x7f';
  std::vector<char> chars(count, kUnset);
  bool reached_end = false;
  bool threw_end = false;
  try {
    if (or_end) {
      reached_end = !laifit::read_fixed_or_end(in, line_format(), {Dest::characters(chars)});
    } else {
      laifit::read_fixed(in, line_format(), {Dest::characters(chars)});
    }
  } catch (const laifit::RunFailure& failure) {
    if (failure.cause() != "End of file") fail("(200a1) failed other than at the end of the file");
    threw_end = true;
  }
  bool ended = false;
  const auto records = model.take(count, 200, &ended);
  if (ended != (reached_end || threw_end)) fail("(200a1) disagrees on the end of the file");
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t r = k / 200;
    const char want = r < records.size() ? padded(*records[r], k % 200, 1)[0] : kUnset;
    if (chars[k] != want) fail("(200a1) stored a character other than the record's");
  }
  return !ended;
}

// "(i2,1x,i2,1x,i4)" into count integers. False when the statement ended the file or failed.
bool date_statement(laifit::InputChannel& in, Model& model, std::size_t count, bool or_end) {
  constexpr std::int32_t kUnset = -123456789;
  std::vector<std::int32_t> ints(count, kUnset);
  bool reached_end = false;
  std::string cause;
  try {
    if (or_end) {
      reached_end = !laifit::read_fixed_or_end(in, date_format(), {std::span<std::int32_t>(ints)});
    } else {
      laifit::read_fixed(in, date_format(), {std::span<std::int32_t>(ints)});
    }
  } catch (const laifit::RunFailure& failure) {
    cause = failure.cause();
  }

  bool ended = false;
  const auto records = model.take(count, 3, &ended);
  std::vector<std::int32_t> want(count, kUnset);
  bool bad = false;
  constexpr std::array<std::pair<std::size_t, std::size_t>, 3> kFields{{{0, 2}, {3, 2}, {6, 4}}};
  for (std::size_t k = 0; k < count && k / 3 < records.size() && !bad; ++k) {
    const auto [from, w] = kFields[k % 3];
    const auto v = integer_field(padded(*records[k / 3], from, w));
    if (v) {
      want[k] = *v;
    } else {
      bad = true;
    }
  }
  if (bad) {
    if (cause != "Bad value during integer read") fail("a bad integer field was not refused");
  } else if (ended) {
    if (!(reached_end || cause == "End of file")) fail("the end of the file was not met");
  } else if (reached_end || !cause.empty()) {
    fail("a date statement failed on valid fields");
  }
  if (ints != want) fail("(i2,1x,i2,1x,i4) stored other integers than the fields hold");
  return !bad && !ended;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto [near_boundary, program, file] = laifit::fuzz::reader_input(data, size);
  Model model(file);
  auto in = laifit::fuzz::channel_over(file);
  if (near_boundary) {
    if (!line_statement(*in, model, 200, true)) fail("the long first record is missing");
  }

  bool stepped_back = false;
  for (std::size_t n = 0;; ++n) {
    if (n > 2 * file.size() + 16) fail("the reader does not advance through the file");
    const std::uint8_t kind = program[(2 * n) % program.size()];
    const std::uint8_t sz = program[(2 * n + 1) % program.size()];
    // A step back is never taken twice in a row, so every two statements consume a record.
    const bool step_back = (kind & 0x80) != 0 && !stepped_back && n > 0;
    if (step_back) {
      in->step_back();
      model.step_back();
    }
    stepped_back = step_back;
    const bool or_end = (kind & 0x40) == 0;
    const bool go_on = (kind & 1) == 0
                           ? line_statement(*in, model, sz < 160 ? 200 : static_cast<std::size_t>(sz - 160) * 6, or_end)
                           : date_statement(*in, model, sz < 160 ? 3 : static_cast<std::size_t>(sz - 160) % 10, or_end);
    if (!go_on) break;
  }
  return 0;
}
