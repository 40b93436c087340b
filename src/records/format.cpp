#include "records/format.hpp"

#include <cctype>
#include <stdexcept>

namespace laifit {
namespace {

class FormatParser {
 public:
  explicit FormatParser(std::string_view literal) : s_(literal) {}

  std::vector<FormatStep> parse(std::string& texts) {
    texts_ = &texts;
    skip_blanks();
    expect('(');
    std::vector<FormatStep> steps = parse_list();
    expect(')');
    skip_blanks();
    if (pos_ != s_.size()) fail("text after the closing parenthesis");
    return steps;
  }

 private:
  [[noreturn]] void fail(const char* why) const {
    throw std::invalid_argument("malformed format literal " + std::string(s_) + ": " + why + " at position " +
                                std::to_string(pos_ + 1));
  }

  void skip_blanks() {
    while (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
  }
  char peek() {
    skip_blanks();
    return pos_ < s_.size() ? s_[pos_] : '\0';
  }
  void expect(char c) {
    if (peek() != c) fail("unexpected character");
    ++pos_;
  }
  // Digits of a count or width; blanks between them carry no meaning either.
  int number() {
    if (!std::isdigit(static_cast<unsigned char>(peek()))) fail("a number is missing");
    long v = 0;
    while (std::isdigit(static_cast<unsigned char>(peek()))) {
      v = v * 10 + (s_[pos_++] - '0');
      if (v > 100000) fail("number too large");
    }
    return static_cast<int>(v);
  }

  FormatStep text_step(std::string_view text) {
    FormatStep step{FormatStep::Kind::text};
    step.text_offset = static_cast<std::uint32_t>(texts_->size());
    step.text_length = static_cast<std::uint32_t>(text.size());
    texts_->append(text);
    return step;
  }

  std::vector<FormatStep> parse_list() {
    std::vector<FormatStep> out;
    bool need_item = true;  // a list may not end with a comma
    while (true) {
      const char c = peek();
      if (c == ')') {
        if (!need_item || out.empty()) break;
        fail("a comma before the closing parenthesis");
      }
      if (c == '\0') fail("missing closing parenthesis");
      if (c == ',') {
        if (need_item) fail("an empty item");
        ++pos_;
        need_item = true;
        continue;
      }
      parse_item(out);
      need_item = false;
    }
    return out;
  }

  void parse_item(std::vector<FormatStep>& out) {
    char c = peek();
    if (c == '\'' || c == '"') {
      out.push_back(text_step(quoted(c)));
      return;
    }
    if (c == '/') {
      ++pos_;
      out.push_back(FormatStep{FormatStep::Kind::slash});
      return;
    }
    int count = 1;
    bool has_count = false;
    if (std::isdigit(static_cast<unsigned char>(c))) {
      count = number();
      has_count = true;
      if (count == 0) fail("a zero count");
      c = peek();
    }
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c == '(') {
      ++pos_;
      const std::vector<FormatStep> group = parse_list();
      expect(')');
      for (int k = 0; k < count; ++k) out.insert(out.end(), group.begin(), group.end());
      return;
    }
    if (c == '/') {
      ++pos_;
      for (int k = 0; k < count; ++k) out.push_back(FormatStep{FormatStep::Kind::slash});
      return;
    }
    if (letter == 'x') {
      if (!has_count) fail("X needs a count");
      ++pos_;
      FormatStep step{FormatStep::Kind::skip};
      step.width = count;
      out.push_back(step);
      return;
    }
    if (letter == 'h') {
      if (!has_count) fail("H needs a count");
      ++pos_;
      if (pos_ + static_cast<std::size_t>(count) > s_.size()) fail("H text runs past the end");
      out.push_back(text_step(s_.substr(pos_, static_cast<std::size_t>(count))));
      pos_ += static_cast<std::size_t>(count);
      return;
    }
    FormatStep step{};
    ++pos_;
    switch (letter) {
      case 'i':
        step.kind = FormatStep::Kind::integer;
        step.width = number();
        break;
      case 'f':
      case 'e':
        step.kind = letter == 'f' ? FormatStep::Kind::fixed : FormatStep::Kind::exponent;
        step.width = number();
        expect('.');
        step.digits = number();
        if (letter == 'e' && step.digits == 0) fail("E needs at least one digit");
        if (step.digits > 100) fail("too many decimals");
        break;
      case 'a':
        step.kind = FormatStep::Kind::characters;
        if (std::isdigit(static_cast<unsigned char>(peek()))) step.width = number();
        break;
      default:
        fail("unsupported descriptor");
    }
    if (step.kind != FormatStep::Kind::characters && step.width == 0) fail("a zero width");
    if (step.width > 255) fail("a field wider than a record needs");
    for (int k = 0; k < count; ++k) out.push_back(step);
  }

  // Quoted text; a doubled delimiter stands for one.
  std::string quoted(char delim) {
    ++pos_;
    std::string text;
    while (true) {
      if (pos_ >= s_.size()) fail("unterminated text");
      const char c = s_[pos_++];
      if (c == delim) {
        if (pos_ < s_.size() && s_[pos_] == delim) {
          text.push_back(delim);
          ++pos_;
          continue;
        }
        return text;
      }
      text.push_back(c);
    }
  }

  std::string_view s_;
  std::size_t pos_ = 0;
  std::string* texts_ = nullptr;
};

}  // namespace

Format::Format(std::string_view literal) : literal_(literal) {
  std::string raw_texts;
  const std::vector<FormatStep> raw = FormatParser(literal).parse(raw_texts);

  // Merge neighbouring texts and neighbouring skips so that rendering handles each run once.
  for (const FormatStep& step : raw) {
    FormatStep* last = steps_.empty() ? nullptr : &steps_.back();
    if (step.kind == FormatStep::Kind::text) {
      const std::string_view t = std::string_view(raw_texts).substr(step.text_offset, step.text_length);
      if (last != nullptr && last->kind == FormatStep::Kind::text) {
        texts_.append(t);
        last->text_length += static_cast<std::uint32_t>(t.size());
        continue;
      }
      FormatStep merged = step;
      merged.text_offset = static_cast<std::uint32_t>(texts_.size());
      texts_.append(t);
      steps_.push_back(merged);
      continue;
    }
    if (step.kind == FormatStep::Kind::skip && last != nullptr && last->kind == FormatStep::Kind::skip) {
      last->width += step.width;
      continue;
    }
    steps_.push_back(step);
    if (step.is_data()) has_data_ = true;
  }
  for (std::size_t k = steps_.size(); k-- > 1;) {
    const FormatStep& next = steps_[k];
    FormatStep& step = steps_[k - 1];
    if (step.is_data() && step.kind == next.kind && step.width == next.width && step.digits == next.digits) {
      step.run = next.run + 1;
    }
  }
}

}  // namespace laifit
