#pragma once
// Format literals such as "(1x,i3,1x,f7.4,9f12.4)", parsed once into a flat list of steps.
//
// Repeat counts are expanded at parse time (9f12.4 becomes nine steps, 53(1h-) one text of 53 hyphens),
// adjacent texts are merged and adjacent skips are added up, so rendering walks a plain array. Reversion
// restarts the list from its first step, which is why no group structure needs to survive parsing.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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
  Kind kind;
  int width = 0;   // w of I, F, E, A; n of X
  int digits = 0;  // d of F and E
  std::uint32_t text_offset = 0;
  std::uint32_t text_length = 0;
  // Steps from this one on that are the same descriptor, as "200a1" expands to: a run that a writer or
  // reader may take in one go.
  std::uint32_t run = 1;

  bool is_data() const { return kind <= Kind::characters; }
};

class Format {
 public:
  // Throws std::invalid_argument for a literal outside the supported subset: our own literals are
  // constants, so this is a programming error that a test catches.
  explicit Format(std::string_view literal);

  std::span<const FormatStep> steps() const { return steps_; }
  std::string_view text(const FormatStep& step) const {
    return std::string_view(texts_).substr(step.text_offset, step.text_length);
  }
  bool has_data() const { return has_data_; }
  const std::string& literal() const { return literal_; }

 private:
  std::string literal_;
  std::string texts_;
  std::vector<FormatStep> steps_;
  bool has_data_ = false;
};

}  // namespace laifit
