#pragma once
// A fixed-length text field, blank-padded on the right (file names are 30 characters).

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

namespace laifit {

template <std::size_t N>
struct FixedText {
  std::array<char, N> chars;

  FixedText() { chars.fill(' '); }
  explicit FixedText(std::string_view s) { assign(s); }

  // Stores s left-justified, cut to N characters or padded with blanks.
  void assign(std::string_view s) {
    chars.fill(' ');
    s.copy(chars.data(), s.size() < N ? s.size() : N);
  }
  std::string_view view() const { return {chars.data(), N}; }
  // The field without its trailing blanks: how a file name is used.
  std::string_view trimmed() const {
    std::size_t n = N;
    while (n > 0 && chars[n - 1] == ' ') --n;
    return {chars.data(), n};
  }
  std::span<char> span() { return chars; }

  friend bool operator==(const FixedText&, const FixedText&) = default;
};

}  // namespace laifit
