// Inputs found by fuzzing the record readers, kept as regression tests.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

#include "record_helpers.hpp"
#include "records/format.hpp"
#include "records/list_input.hpp"

namespace laifit {
namespace {

using testing::ScratchDir;

// A text destination of no characters (its data pointer is null) takes a value and stores nothing; the
// destinations after it are filled as usual. Under the sanitizers an empty field used to be handed to
// memcpy with a null pointer.
TEST(FuzzRegressions, EmptyTextDestinationsAreSkippedCleanly) {
  ScratchDir dir;
  {
    auto in = dir.input("abc 5 'quoted text' 7\n");
    std::int32_t first = -1, second = -1;
    ASSERT_TRUE(read_list_or_end(*in, {std::span<char>(), first, std::span<char>(), second}));
    EXPECT_EQ(first, 5);
    EXPECT_EQ(second, 7);
  }
  {
    auto in = dir.input("x 42\n");
    std::int32_t value = -1;
    ASSERT_TRUE(read_fixed_or_end(*in, Format("(a1,1x,i2)"), {std::span<char>(), value}));
    EXPECT_EQ(value, 42);
  }
}

// A width-less A field takes its destination's length. Up to 256 characters it reads as any A field;
// a longer destination is refused as a programming error instead of overrunning the field buffer.
TEST(FuzzRegressions, WidthlessTextFieldLongerThanTheFieldBuffer) {
  ScratchDir dir;
  const std::string record = std::string(250, 'a') + std::string(50, 'b');
  {
    auto in = dir.input(record + "\n");
    std::array<char, 256> text{};
    ASSERT_TRUE(read_fixed_or_end(*in, Format("(a)"), {std::span<char>(text)}));
    EXPECT_EQ(std::string(text.begin(), text.end()), record.substr(0, 256));
  }
  {
    auto in = dir.input(record + "\n");
    std::array<char, 300> text{};
    EXPECT_THROW(read_fixed_or_end(*in, Format("(a)"), {std::span<char>(text)}), std::logic_error);
  }
}

}  // namespace
}  // namespace laifit
