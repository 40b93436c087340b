#include <algorithm>
#include <string>

#include "records/failure.hpp"
#include "records/list_input.hpp"
#include "records/number_scan.hpp"

namespace laifit {
namespace {

// Free-format reading: values separated by blanks, tabs, commas or semicolons, across record ends.

constexpr int kEndOfRecord = InputChannel::kEndOfRecord;

bool is_blank(int c) { return c == ' ' || c == '\t'; }
bool ends_value(int c) {
  return c == kEndOfRecord || c == ' ' || c == '\t' || c == ',' || c == ';' || c == '/';
}

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

}  // namespace

void read_list(InputChannel& in, std::initializer_list<Dest> dests, Where where) {
  if (!list_read(in, dests, where)) throw RunFailure(where, in.unit(), in.name(), "End of file");
}

bool read_list_or_end(InputChannel& in, std::initializer_list<Dest> dests, Where where) {
  return list_read(in, dests, where);
}

}  // namespace laifit
