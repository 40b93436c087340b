#pragma once
// Reading statements: free-format (list) reads and fixed-field reads into destinations.
//
// A read that meets the end of the file either reports it (the "_or_end" forms, for statements that
// have an end-of-file branch) or ends the run; a value that cannot be read as its destination's type
// always ends the run. Values read before the end of the file in the same statement stay stored.

#include <cstdint>
#include <initializer_list>
#include <span>

#include "check/where.hpp"
#include "records/fixed_text.hpp"
#include "records/format.hpp"
#include "records/input.hpp"
#include "records/read_observer.hpp"

namespace laifit {

class Dest {
 public:
  enum class Kind : std::uint8_t { integer, real, text, integers, reals, characters };

  Dest(std::int32_t& v) : kind_(Kind::integer), int_(&v), count_(1) {}
  Dest(float& v) : kind_(Kind::real), real_(&v), count_(1) {}
  Dest(std::span<std::int32_t> a) : kind_(Kind::integers), int_(a.data()), count_(a.size()) {}
  Dest(std::span<float> a) : kind_(Kind::reals), real_(a.data()), count_(a.size()) {}
  // One text field of text.size() characters.
  Dest(std::span<char> text) : kind_(Kind::text), chars_(text.data()), count_(1), length_(text.size()) {}
  template <std::size_t N>
  Dest(FixedText<N>& t) : Dest(t.span()) {}
  // An array of one-character text fields, as "(200a1)" reads a line buffer.
  static Dest characters(std::span<char> a) {
    Dest d(a);
    d.kind_ = Kind::characters;
    d.count_ = a.size();
    d.length_ = 1;
    return d;
  }

  Kind kind() const { return kind_; }
  std::size_t count() const { return count_; }
  std::int32_t& integer(std::size_t k) const { return int_[k]; }
  float& real(std::size_t k) const { return real_[k]; }
  std::span<char> text(std::size_t k) const { return {chars_ + k * length_, length_}; }

 private:
  Kind kind_;
  std::int32_t* int_ = nullptr;
  float* real_ = nullptr;
  char* chars_ = nullptr;
  std::size_t count_ = 0;
  std::size_t length_ = 0;
};

// Free format. Ends the run at the end of the file.
void read_list(InputChannel& in, std::initializer_list<Dest> dests, Where where = Where::current());
// Free format with an end-of-file branch: false when the end of the file was met.
bool read_list_or_end(InputChannel& in, std::initializer_list<Dest> dests, Where where = Where::current());

// The values of the next record as a free-format read would take them, without destinations: each is
// reported to observer as a text, and the record's end ends the values (a statement would go on in the
// next record). A '*' is read as a character, not as a repeat count. False at the end of the file.
bool scan_list_record(InputChannel& in, ReadObserver& observer, Where where = Where::current());

// Fixed fields (I, A and X descriptors). Same end-of-file rules.
void read_fixed(InputChannel& in, const Format& format, std::initializer_list<Dest> dests,
                Where where = Where::current());
bool read_fixed_or_end(InputChannel& in, const Format& format, std::initializer_list<Dest> dests,
                       Where where = Where::current());

}  // namespace laifit
