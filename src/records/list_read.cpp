#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <string>

#include "records/failure.hpp"
#include "records/list_input.hpp"
#include "records/number_scan.hpp"

namespace laifit {
namespace {

// Free-format reading: values separated by blanks, tabs, commas or semicolons, across record ends.

constexpr int kEndOfRecord = InputChannel::kEndOfRecord;

bool is_blank(int c) { return c == ' ' || c == '\t'; }
bool ends_value(int c) { return c == kEndOfRecord || c == ' ' || c == '\t' || c == ',' || c == ';' || c == '/'; }

// ---- plain records: the climate files, the observation rows, the working files ----

// The most values a plain-record read takes; a statement of more goes to the full reader.
constexpr std::size_t kPlainItems = 32;
// Longer texts go to the full reader, which keeps only their first characters.
constexpr std::size_t kPlainTextKeep = 1024;
// Longer numbers go to the full reader, so that a plain real is always a normal float.
constexpr std::size_t kPlainNumberLength = 24;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The characters that end a plain value (blanks, tabs, ',', ';' and '/'), and '*', which makes a record
// not plain: one look-up per character of a value.
constexpr std::array<bool, 256> kStopsPlainValue = [] {
  std::array<bool, 256> stops{};
  for (const char c : {' ', '\t', ',', ';', '/', '*'}) stops[static_cast<unsigned char>(c)] = true;
  return stops;
}();

// The end of a plain value: the record's end or a character that ends it, but not '*'.
bool ends_plain_value(std::string_view record, std::size_t at) {
  return at == record.size() || (kStopsPlainValue[static_cast<unsigned char>(record[at])] && record[at] != '*');
}

// The scans below read the character after a record without a bounds check: a buffered record is always
// followed by its line end, which is neither a blank, a digit nor a point.

// An optional '-' and digits from at: its value, when it fits a 32-bit integer; at ends after it.
bool plain_integer(std::string_view record, std::size_t& at, std::int32_t& out) {
  const char* const p = record.data();
  const bool negative = p[at] == '-';
  if (negative) ++at;
  const std::size_t start = at;
  std::int64_t v = 0;
  for (; is_digit(p[at]) && at - start < 18; ++at) v = v * 10 + (p[at] - '0');
  if (at == start || !ends_plain_value(record, at)) return false;
  if (negative) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  out = static_cast<std::int32_t>(v);
  return true;
}

// An optional '-', digits, and a point with digits after it, from at: the nearest float; at ends after it.
// Such a token of at most kPlainNumberLength characters is a normal float, so the conversion raises no
// reported flag.
bool plain_real(std::string_view record, std::size_t& at, float& out) {
  const char* const p = record.data();
  const std::size_t start = at;
  const bool negative = p[at] == '-';
  if (negative) ++at;
  const std::size_t digits_start = at;
  std::uint64_t digits = 0;
  for (; is_digit(p[at]); ++at) digits = digits * 10 + std::uint64_t(p[at] - '0');
  const std::size_t whole_digits = at - digits_start;
  if (whole_digits == 0) return false;
  std::size_t fraction_digits = 0;
  if (p[at] == '.') {
    const std::size_t fraction_start = ++at;
    for (; is_digit(p[at]); ++at) digits = digits * 10 + std::uint64_t(p[at] - '0');
    fraction_digits = at - fraction_start;
    if (fraction_digits == 0) return false;
  }
  if (!ends_plain_value(record, at) || at - start > kPlainNumberLength) return false;
  // Up to 19 digits the accumulated value is exact.
  if (whole_digits + fraction_digits <= 19 && short_decimal_float(digits, fraction_digits, out)) {
    if (negative) out = -out;
    return true;
  }
  return std::from_chars(record.data() + start, record.data() + at, out).ec == std::errc();
}

// Reads a statement's values from a record that holds all of them, when the record is already
// buffered and plain: unquoted values separated by blanks and tabs, or by one comma or semicolon among
// them, no '*' (a repeat count) in a value, no '/' or null value before the last, and numbers as
// plain_integer and plain_real take them. Stores the values as the full reader would and returns
// true; for any other record stores nothing and returns false, and the full reader reads it.
bool read_plain_record(InputChannel& in, std::span<const Dest> dests) {
  const std::string_view record = in.buffered_record();
  if (record.data() == nullptr) return false;
  // Left uninitialised: each entry is set before it is read, and clearing them all would cost more
  // than reading a short record.
  std::array<const char*, kPlainItems> starts;
  std::array<std::size_t, kPlainItems> lengths;
  std::array<std::int32_t, kPlainItems> integers;
  std::array<float, kPlainItems> reals;
  std::size_t n = 0;
  std::size_t at = 0;
  auto skip_blanks = [&] {
    while (record.data()[at] == ' ' || record.data()[at] == '\t') ++at;
  };
  for (const Dest& d : dests) {
    for (std::size_t k = 0; k < d.count(); ++k, ++n) {
      if (n == kPlainItems) return false;
      skip_blanks();
      if (n > 0 && at < record.size() && (record[at] == ',' || record[at] == ';')) {
        ++at;
        skip_blanks();
      }
      if (at == record.size()) return false;  // the statement goes on in the next record
      const char first = record[at];
      if (first == ',' || first == ';' || first == '/' || first == '\'' || first == '"') return false;
      switch (d.kind()) {
        case Dest::Kind::integer:
        case Dest::Kind::integers:
          if (!plain_integer(record, at, integers[n])) return false;
          break;
        case Dest::Kind::real:
        case Dest::Kind::reals:
          if (!plain_real(record, at, reals[n])) return false;
          break;
        default: {
          const std::size_t start = at;
          while (at < record.size() && !kStopsPlainValue[static_cast<unsigned char>(record[at])]) ++at;
          if (at < record.size() && record[at] == '*') return false;
          if (at - start >= kPlainTextKeep) return false;
          starts[n] = record.data() + start;
          lengths[n] = at - start;
          break;
        }
      }
    }
  }
  n = 0;
  for (const Dest& d : dests) {
    for (std::size_t k = 0; k < d.count(); ++k, ++n) {
      switch (d.kind()) {
        case Dest::Kind::integer:
        case Dest::Kind::integers: d.integer(k) = integers[n]; break;
        case Dest::Kind::real:
        case Dest::Kind::reals: d.real(k) = reals[n]; break;
        case Dest::Kind::text:
        case Dest::Kind::characters: {
          const std::span<char> field = d.text(k);
          const std::size_t m = std::min(lengths[n], field.size());
          std::copy_n(starts[n], m, field.data());
          std::fill(field.begin() + static_cast<std::ptrdiff_t>(m), field.end(), ' ');
          break;
        }
      }
    }
  }
  return true;
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
  ListReader(InputChannel& in, Where where) : in_(in), where_(where), observer_(in.observer()) {}

  // False when the end of the file was met before the statement completed.
  bool run(std::span<const Dest> dests) {
    if (observer_ != nullptr) observer_->began(in_, true);
    if (!in_.begin_record()) return end_of_file();
    // An observed read goes through the full reader, which tells the observer of every value.
    if (observer_ == nullptr && read_plain_record(in_, dests)) {
      in_.finish_record();
      return true;
    }
    for (const Dest& d : dests) {
      for (std::size_t k = 0; k < d.count(); ++k) {
        ++item_;
        if (repeat_ == 0) {
          const Next next = next_value();
          if (next == Next::end_of_file) return end_of_file();
          if (next == Next::slash) {
            complete();
            return true;
          }
        }
        --repeat_;
        if (!null_) {
          store(d, k);
        } else if (observer_ != nullptr) {
          report(kind_of(d), true);
        }
      }
    }
    complete();
    return true;
  }

  // The values of the next record alone, as texts, each reported to the observer; a value ends at the
  // record's end and a '*' is an ordinary character. False at the end of the file.
  bool scan_record() {
    one_record_ = true;
    if (observer_ != nullptr) observer_->began(in_, true);
    if (!in_.begin_record()) return end_of_file();
    while (true) {
      const Next next = next_value();
      if (next != Next::value) break;  // the end of the record, or a slash
      ++item_;
      report(ReadValue::Kind::text, true);
    }
    complete();
    return true;
  }

 private:
  enum class Next : std::uint8_t { value, slash, end_of_file };

  [[noreturn]] void fail(const std::string& cause, FailureKind kind) const {
    throw RunFailure(where_, in_.unit(), in_.name(), cause, kind);
  }

  bool end_of_file() {
    if (observer_ != nullptr) observer_->ended(in_, true, {});
    return false;
  }

  // Skips the rest of the record, telling the observer what it held.
  void complete() {
    if (observer_ != nullptr) {
      char rest[Value::kTextKeep];
      std::size_t n = 0;
      for (int c; n < sizeof rest && (c = in_.peek()) != kEndOfRecord; in_.advance()) rest[n++] = static_cast<char>(c);
      observer_->ended(in_, false, std::string_view(rest, n));
    }
    in_.finish_record();
  }

  static ReadValue::Kind kind_of(const Dest& d) {
    switch (d.kind()) {
      case Dest::Kind::integer:
      case Dest::Kind::integers: return ReadValue::Kind::integer;
      case Dest::Kind::real:
      case Dest::Kind::reals: return ReadValue::Kind::real;
      default: return ReadValue::Kind::text;
    }
  }

  // Where the value that next_value found begins, for the observer.
  void mark_start() {
    if (observer_ == nullptr) return;
    start_record_ = in_.record_number();
    start_column_ = in_.column();
  }

  // Tells the observer of the current value; the channel still stands just after it.
  void report(ReadValue::Kind kind, bool stored, std::int32_t integer = 0, float real = 0.0f) {
    ReadValue v;
    v.record = start_record_;
    v.column = start_column_;
    v.end_column = in_.column();
    if (!null_) v.text = std::string_view(value_.text, value_.length);
    v.quoted = !null_ && value_.quoted;
    v.null = null_;
    v.separator = in_.peek();
    v.item = item_;
    v.kind = kind;
    v.stored = stored;
    v.integer = integer;
    v.real = real;
    observer_->value(in_, v);
  }

  // Skips blanks, tabs and record ends; false at the end of the file (of the record, for a scan).
  bool skip_blanks() {
    while (true) {
      const int c = in_.peek();
      if (is_blank(c)) {
        in_.advance();
      } else if (c == kEndOfRecord) {
        if (one_record_ || !in_.begin_record()) return false;
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
    mark_start();
    if (c == ',' || c == ';') {  // an empty value; its comma separates it from the next
      null_ = true;
      return Next::value;
    }
    value_.reset();
    if (c == '\'' || c == '"') return quoted(static_cast<char>(c));
    while (!ends_value(c = in_.peek())) {
      if (c == '*' && !one_record_ && value_.number.plain_digits()) {
        std::int32_t r = 0;
        if (!value_.number.integer(r))
          fail("Repeat count overflow in item " + std::to_string(item_) + " of list input", FailureKind::bad_repeat);
        if (r == 0)
          fail("Zero repeat count in item " + std::to_string(item_) + " of list input", FailureKind::bad_repeat);
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
        if (one_record_) return Next::value;  // a scan ends an open text with its record
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
      case Dest::Kind::integers: {
        const bool ok = !value_.quoted && value_.number.integer(d.integer(k));
        if (observer_ != nullptr) report(ReadValue::Kind::integer, ok, d.integer(k));
        if (!ok) fail("Bad integer for item " + std::to_string(item_) + " in list input", FailureKind::bad_integer);
        break;
      }
      case Dest::Kind::real:
      case Dest::Kind::reals: {
        const bool ok = !value_.quoted && value_.number.real(d.real(k));
        if (observer_ != nullptr) report(ReadValue::Kind::real, ok, 0, d.real(k));
        if (!ok) fail("Bad real number in item " + std::to_string(item_) + " of list input", FailureKind::bad_real);
        break;
      }
      case Dest::Kind::text:
      case Dest::Kind::characters: {
        if (observer_ != nullptr) report(ReadValue::Kind::text, true);
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
  ReadObserver* observer_;
  bool one_record_ = false;
  int item_ = 0;
  bool first_ = true;
  std::int32_t repeat_ = 0;
  bool null_ = false;
  Value value_;
  std::int64_t start_record_ = 0;
  std::size_t start_column_ = 0;
};

bool list_read(InputChannel& in, std::initializer_list<Dest> dests, Where where) {
  return ListReader(in, where).run(std::span<const Dest>(dests.begin(), dests.size()));
}

}  // namespace

void read_list(InputChannel& in, std::initializer_list<Dest> dests, Where where) {
  if (!list_read(in, dests, where))
    throw RunFailure(where, in.unit(), in.name(), "End of file", FailureKind::end_of_file);
}

bool read_list_or_end(InputChannel& in, std::initializer_list<Dest> dests, Where where) {
  return list_read(in, dests, where);
}

bool scan_list_record(InputChannel& in, ReadObserver& observer, Where where) {
  ReadObserver* const kept = in.observer();
  in.observe(&observer);
  struct Restore {
    InputChannel& in;
    ReadObserver* kept;
    ~Restore() { in.observe(kept); }
  } restore{in, kept};
  return ListReader(in, where).scan_record();
}

}  // namespace laifit
