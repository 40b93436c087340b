#pragma once
// Format literals such as "(1x,i3,1x,f7.4,9f12.4)", parsed into a flat list of steps of fixed capacity.
//
// A literal written in our own code is parsed when it is compiled, so a malformed one does not build;
// a literal built at run time (tests, fuzzing) throws std::invalid_argument instead. Repeat counts are
// expanded (9f12.4 becomes nine steps, 53(1h-) one text of 53 hyphens), adjacent texts are merged and
// adjacent skips are added up, so rendering walks a plain array. Reversion restarts the list from its
// first step, which is why no group structure needs to survive parsing.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace laifit {

struct FormatStep {
  enum class Kind : std::uint8_t {
    integer,     // Iw
    fixed,       // Fw.d
    exponent,    // Ew.d
    characters,  // Aw (width 0: the item's own length)
    skip,        // nX
    text,        // quoted or nH text
    slash,       // end of record
  };
  Kind kind = Kind::slash;
  std::uint32_t width = 0;   // w of I, F, E, A; n of X
  std::uint16_t digits = 0;  // d of F and E
  std::uint16_t text_offset = 0;
  std::uint16_t text_length = 0;
  // Steps from this one on that are the same descriptor, as "200a1" expands to: a run that a writer or
  // reader may take in one go.
  std::uint16_t run = 1;

  constexpr bool is_data() const { return kind <= Kind::characters; }
};

namespace format_detail {

inline constexpr std::size_t kMaxSteps = 256;    // "(200a1)" is the longest list laifit uses
inline constexpr std::size_t kMaxText = 512;     // characters of all texts together
inline constexpr std::size_t kMaxLiteral = 256;  // characters of the literal itself

// Reached only for a malformed literal: at run time it throws std::invalid_argument; while compiling,
// calling it is not a constant expression, so the literal does not build.
[[noreturn]] void malformed(std::string_view literal, const char* why, std::size_t position);

// Steps and texts as written, before texts and skips are merged.
struct RawSteps {
  std::array<FormatStep, kMaxSteps> steps{};
  std::size_t count = 0;
  std::array<char, kMaxText> texts{};
  std::size_t text_size = 0;
};

class Parser {
 public:
  constexpr explicit Parser(std::string_view literal) : s_(literal) {}

  constexpr void parse(RawSteps& out) {
    out_ = &out;
    skip_blanks();
    expect('(');
    parse_list();
    expect(')');
    skip_blanks();
    if (pos_ != s_.size()) fail("text after the closing parenthesis");
  }

 private:
  static constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
  static constexpr char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

  // Not constexpr: reaching it while compiling stops the build.
  [[noreturn]] void fail(const char* why) const { malformed(s_, why, pos_); }

  constexpr void skip_blanks() {
    while (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
  }
  constexpr char peek() {
    skip_blanks();
    return pos_ < s_.size() ? s_[pos_] : '\0';
  }
  constexpr void expect(char c) {
    if (peek() != c) fail("unexpected character");
    ++pos_;
  }
  // Digits of a count or width; blanks between them carry no meaning either.
  constexpr int number() {
    if (!is_digit(peek())) fail("a number is missing");
    long v = 0;
    while (is_digit(peek())) {
      v = v * 10 + (s_[pos_++] - '0');
      if (v > 100000) fail("number too large");
    }
    return static_cast<int>(v);
  }

  constexpr void push(const FormatStep& step) {
    if (out_->count == kMaxSteps) fail("more steps than a format holds");
    out_->steps[out_->count++] = step;
  }
  constexpr void push_char(char c) {
    if (out_->text_size == kMaxText) fail("more text than a format holds");
    out_->texts[out_->text_size++] = c;
  }
  constexpr FormatStep text_step(std::size_t offset) const {
    FormatStep step{FormatStep::Kind::text};
    step.text_offset = static_cast<std::uint16_t>(offset);
    step.text_length = static_cast<std::uint16_t>(out_->text_size - offset);
    return step;
  }

  constexpr void parse_list() {
    bool need_item = true;  // a list may not end with a comma
    bool empty = true;
    while (true) {
      const char c = peek();
      if (c == ')') {
        if (!need_item || empty) break;
        fail("a comma before the closing parenthesis");
      }
      if (c == '\0') fail("missing closing parenthesis");
      if (c == ',') {
        if (need_item) fail("an empty item");
        ++pos_;
        need_item = true;
        continue;
      }
      parse_item();
      need_item = false;
      empty = false;
    }
  }

  constexpr void parse_item() {
    char c = peek();
    if (c == '\'' || c == '"') {
      quoted(c);
      return;
    }
    if (c == '/') {
      ++pos_;
      push(FormatStep{FormatStep::Kind::slash});
      return;
    }
    int count = 1;
    bool has_count = false;
    if (is_digit(c)) {
      count = number();
      has_count = true;
      if (count == 0) fail("a zero count");
      c = peek();
    }
    const char letter = lower(c);
    if (c == '(') {
      ++pos_;
      const std::size_t first = out_->count;
      parse_list();
      expect(')');
      const std::size_t last = out_->count;
      for (int k = 1; k < count; ++k) {
        for (std::size_t s = first; s < last; ++s) push(out_->steps[s]);
      }
      return;
    }
    if (c == '/') {
      ++pos_;
      for (int k = 0; k < count; ++k) push(FormatStep{FormatStep::Kind::slash});
      return;
    }
    if (letter == 'x') {
      if (!has_count) fail("X needs a count");
      ++pos_;
      FormatStep step{FormatStep::Kind::skip};
      step.width = static_cast<std::uint32_t>(count);
      push(step);
      return;
    }
    if (letter == 'h') {
      if (!has_count) fail("H needs a count");
      ++pos_;
      if (pos_ + static_cast<std::size_t>(count) > s_.size()) fail("H text runs past the end");
      const std::size_t offset = out_->text_size;
      for (int k = 0; k < count; ++k) push_char(s_[pos_++]);
      push(text_step(offset));
      return;
    }
    FormatStep step{};
    ++pos_;
    switch (letter) {
      case 'i':
        step.kind = FormatStep::Kind::integer;
        step.width = checked_width(number());
        break;
      case 'f':
      case 'e': {
        step.kind = letter == 'f' ? FormatStep::Kind::fixed : FormatStep::Kind::exponent;
        step.width = checked_width(number());
        expect('.');
        const int digits = number();
        if (letter == 'e' && digits == 0) fail("E needs at least one digit");
        if (digits > 100) fail("too many decimals");
        step.digits = static_cast<std::uint16_t>(digits);
        break;
      }
      case 'a':
        step.kind = FormatStep::Kind::characters;
        if (is_digit(peek())) step.width = checked_width(number());
        break;
      default: fail("unsupported descriptor");
    }
    if (step.kind != FormatStep::Kind::characters && step.width == 0) fail("a zero width");
    for (int k = 0; k < count; ++k) push(step);
  }

  constexpr std::uint32_t checked_width(int width) const {
    if (width > 255) fail("a field wider than a record needs");
    return static_cast<std::uint32_t>(width);
  }

  // Quoted text; a doubled delimiter stands for one.
  constexpr void quoted(char delim) {
    ++pos_;
    const std::size_t offset = out_->text_size;
    while (true) {
      if (pos_ >= s_.size()) fail("unterminated text");
      const char c = s_[pos_++];
      if (c == delim) {
        if (pos_ < s_.size() && s_[pos_] == delim) {
          push_char(delim);
          ++pos_;
          continue;
        }
        push(text_step(offset));
        return;
      }
      push_char(c);
    }
  }

  std::string_view s_;
  std::size_t pos_ = 0;
  RawSteps* out_ = nullptr;
};

}  // namespace format_detail

class Format {
 public:
  // A literal of our own code: parsed when compiled.
  template <std::size_t N>
  consteval explicit Format(const char (&literal)[N]) {
    parse(std::string_view(literal, N - 1));
  }
  // A literal built at run time: throws std::invalid_argument when it is malformed.
  explicit Format(std::string_view literal) { parse(literal); }

  constexpr std::span<const FormatStep> steps() const { return std::span<const FormatStep>(steps_.data(), count_); }
  constexpr std::string_view text(const FormatStep& step) const {
    return std::string_view(texts_.data() + step.text_offset, step.text_length);
  }
  constexpr bool has_data() const { return has_data_; }
  constexpr std::string_view literal() const { return std::string_view(literal_.data(), literal_size_); }

 private:
  constexpr void parse(std::string_view literal);

  std::array<FormatStep, format_detail::kMaxSteps> steps_{};
  std::size_t count_ = 0;
  std::array<char, format_detail::kMaxText> texts_{};
  std::size_t text_size_ = 0;
  std::array<char, format_detail::kMaxLiteral> literal_{};
  std::size_t literal_size_ = 0;
  bool has_data_ = false;
};

constexpr void Format::parse(std::string_view literal) {
  if (literal.size() > format_detail::kMaxLiteral) format_detail::malformed(literal, "a literal too long", 0);
  for (char c : literal) literal_[literal_size_++] = c;
  format_detail::RawSteps raw;
  format_detail::Parser(literal).parse(raw);

  // Merge neighbouring texts and neighbouring skips so that rendering handles each run once.
  for (std::size_t r = 0; r < raw.count; ++r) {
    const FormatStep& step = raw.steps[r];
    const bool after_text = count_ > 0 && steps_[count_ - 1].kind == FormatStep::Kind::text;
    const bool after_skip = count_ > 0 && steps_[count_ - 1].kind == FormatStep::Kind::skip;
    if (step.kind == FormatStep::Kind::text) {
      if (text_size_ + step.text_length > texts_.size()) format_detail::malformed(literal, "too much text", 0);
      const std::size_t offset = text_size_;
      for (std::size_t k = 0; k < step.text_length; ++k) texts_[text_size_++] = raw.texts[step.text_offset + k];
      if (after_text) {
        steps_[count_ - 1].text_length = static_cast<std::uint16_t>(steps_[count_ - 1].text_length + step.text_length);
        continue;
      }
      FormatStep merged = step;
      merged.text_offset = static_cast<std::uint16_t>(offset);
      steps_[count_++] = merged;
      continue;
    }
    if (step.kind == FormatStep::Kind::skip && after_skip) {
      steps_[count_ - 1].width += step.width;
      continue;
    }
    steps_[count_++] = step;
    if (step.is_data()) has_data_ = true;
  }
  for (std::size_t k = count_; k-- > 1;) {
    const FormatStep& next = steps_[k];
    FormatStep& step = steps_[k - 1];
    if (step.is_data() && step.kind == next.kind && step.width == next.width && step.digits == next.digits) {
      step.run = static_cast<std::uint16_t>(next.run + 1);
    }
  }
}

}  // namespace laifit
