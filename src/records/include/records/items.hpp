#pragma once
// The items of an output statement: integers, reals, texts, and whole arrays taken element by element.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "records/fixed_text.hpp"

namespace laifit {

class Item {
 public:
  enum class Kind : std::uint8_t { integer, real, text, integers, reals, characters };

  Item(std::int32_t v) : kind_(Kind::integer), int_(v) {}
  Item(float v) : kind_(Kind::real), real_(v) {}
  Item(double) = delete;  // stored reals are floats: round explicitly before writing
  Item(std::string_view s) : kind_(Kind::text), text_(s) {}
  Item(const char* s) : kind_(Kind::text), text_(s) {}
  Item(const std::string& s) : kind_(Kind::text), text_(s) {}
  template <std::size_t N>
  Item(const FixedText<N>& t) : kind_(Kind::text), text_(t.view()) {}
  Item(std::span<const std::int32_t> a) : kind_(Kind::integers), ints_(a) {}
  Item(std::span<const float> a) : kind_(Kind::reals), reals_(a) {}
  // An array of one-character texts, as "(200a1)" writes a line buffer.
  static Item characters(std::span<const char> a) {
    Item item(std::string_view(a.data(), a.size()));
    item.kind_ = Kind::characters;
    return item;
  }

  Kind kind() const { return kind_; }
  std::int32_t integer() const { return int_; }
  float real() const { return real_; }
  std::string_view text() const { return text_; }
  std::size_t elements() const {
    switch (kind_) {
      case Kind::integers: return ints_.size();
      case Kind::reals: return reals_.size();
      case Kind::characters: return text_.size();
      default: return 1;
    }
  }
  std::span<const std::int32_t> ints() const { return ints_; }
  std::span<const float> reals() const { return reals_; }

 private:
  Kind kind_;
  std::int32_t int_ = 0;
  float real_ = 0.0f;
  std::string_view text_;
  std::span<const std::int32_t> ints_;
  std::span<const float> reals_;
};

// One scalar value of a statement's item list, arrays expanded.
struct Scalar {
  enum class Kind : std::uint8_t { integer, real, text };
  Kind kind = Kind::text;
  std::int32_t integer = 0;
  float real = 0.0f;
  std::string_view text;
};

// Walks an item list scalar by scalar.
class ItemCursor {
 public:
  explicit ItemCursor(std::span<const Item> items) : items_(items) { settle(); }

  bool done() const { return index_ == items_.size(); }

  // Up to max elements of a character array at once, when the next scalar is one of them; else "".
  std::string_view next_characters(std::size_t max) {
    if (done() || items_[index_].kind() != Item::Kind::characters) return {};
    const std::string_view taken = items_[index_].text().substr(element_, max);
    element_ += taken.size();
    settle();
    return taken;
  }

  Scalar next() {
    const Item& item = items_[index_];
    Scalar s;
    switch (item.kind()) {
      case Item::Kind::integer: s.kind = Scalar::Kind::integer, s.integer = item.integer(); break;
      case Item::Kind::real: s.kind = Scalar::Kind::real, s.real = item.real(); break;
      case Item::Kind::text: s.text = item.text(); break;
      case Item::Kind::integers: s.kind = Scalar::Kind::integer, s.integer = item.ints()[element_]; break;
      case Item::Kind::reals: s.kind = Scalar::Kind::real, s.real = item.reals()[element_]; break;
      case Item::Kind::characters: s.text = item.text().substr(element_, 1); break;
    }
    ++element_;
    settle();
    return s;
  }

 private:
  // Moves past finished and empty items.
  void settle() {
    while (index_ < items_.size() && element_ >= items_[index_].elements()) {
      ++index_;
      element_ = 0;
    }
  }

  std::span<const Item> items_;
  std::size_t index_ = 0;
  std::size_t element_ = 0;
};

}  // namespace laifit
