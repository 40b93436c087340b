#pragma once
// A growable character buffer that fields are formatted straight into.

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace laifit {

class TextBuffer {
 public:
  explicit TextBuffer(std::size_t capacity = 256) : data_(new char[capacity]), capacity_(capacity) {}

  // Room for n more characters; the caller writes them and then calls advance(n) or less.
  char* claim(std::size_t n) {
    if (capacity_ - size_ < n) grow(n);
    return data_.get() + size_;
  }
  void advance(std::size_t n) { size_ += n; }

  void push(char c) { *claim(1) = c, ++size_; }
  void append(std::string_view s) {
    if (!s.empty()) std::memcpy(claim(s.size()), s.data(), s.size());
    size_ += s.size();
  }
  void fill(char c, std::size_t n) {
    if (n != 0) std::memset(claim(n), c, n);
    size_ += n;
  }

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const char* data() const { return data_.get(); }
  std::string_view view() const { return {data_.get(), size_}; }
  void clear() { size_ = 0; }
  // Keeps what follows the first n characters, moved to the start.
  void drop_front(std::size_t n) {
    std::memmove(data_.get(), data_.get() + n, size_ - n);
    size_ -= n;
  }

 private:
  void grow(std::size_t n) {
    std::size_t cap = capacity_ * 2;
    while (cap - size_ < n) cap *= 2;
    std::unique_ptr<char[]> bigger(new char[cap]);
    std::memcpy(bigger.get(), data_.get(), size_);
    data_ = std::move(bigger);
    capacity_ = cap;
  }

  std::unique_ptr<char[]> data_;
  std::size_t capacity_;
  std::size_t size_ = 0;
};

}  // namespace laifit
