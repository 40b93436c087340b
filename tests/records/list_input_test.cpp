#include "records/list_input.hpp"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "record_helpers.hpp"
#include "records/failure.hpp"
#include "records/fixed_text.hpp"
#include "records/read_observer.hpp"

namespace laifit {
namespace {

using testing::ScratchDir;

constexpr std::int32_t kUnset = -99;
using testing::kInf;

using testing::bits;

// The cause of the RunFailure that `read` throws, or "" when it throws none.
std::string cause_of(const std::function<void()>& read) {
  try {
    read();
  } catch (const RunFailure& failure) {
    return failure.cause();
  }
  return "";
}

// Integers read by one free-format statement from a file holding content; unfilled ones stay kUnset.
std::vector<std::int32_t> read_integers(const std::string& content, std::size_t count) {
  ScratchDir dir;
  auto in = dir.input(content);
  std::vector<std::int32_t> v(count, kUnset);
  read_list(*in, {std::span<std::int32_t>(v)});
  return v;
}

float read_real(const std::string& text) {
  ScratchDir dir;
  auto in = dir.input(text + "\n");
  float v = -12345.0f;
  read_list(*in, {v});
  return v;
}

using Ints = std::vector<std::int32_t>;

TEST(ListRead, SeparatorsAreCommasSemicolonsBlanksTabsAndRecordEnds) {
  EXPECT_EQ(read_integers("1,2;3 4\t5 , 6 ;7\n  8\t\n\n9\n", 9), (Ints{1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(read_integers("  1   2\t\t3  \r\n", 3), (Ints{1, 2, 3}));
  EXPECT_EQ(read_integers("1\r\n\r\n   \r\n\t\r\n2", 2), (Ints{1, 2}));
  EXPECT_EQ(read_integers("1,\n2", 2), (Ints{1, 2}));
}

// Every statement of a climate, row, working-file or mixed shape, read until the file ends or a value
// fails, on a channel without observer (plain records take the fast path) and on an observed one (always
// the full reader): the same values stored, bit for bit, the same results and the same failures.
TEST(ListRead, PlainRecordsReadAsTheFullReaderReadsThem) {
  const std::string contents[] = {
      "mons 2010  1  1   1   1.2   3.2   2.6  0.4   0.0\nmons 2010 1 2 2 -1.9 6.1 0.8 0.5 1.6\r\n",
      "2010 3 1 60 0.03 0.17    \r\n2010;3;2;61;-0.04;16\n2010 , 3 ,3\t62 0.5 9.\n2010 3 4 63 0.1 nan\n",
      "        2010           3           1          60   2.99999993E-02\r\n  7 8 9 10 -0.00\n",
      "1 2 3\n4 5 6 7 8 9 10 11 12\n",                       // a statement that goes on in the next record
      "1,,3 4 5 6 7 8 9 10\n1 2*3 4 5 6 7 8 9\n1 2 3/ 4\n",  // null values, repeat counts, a slash
      "'mons' 1 2 3 4 5 6 7 8 9\nab\"c 1 2 3 4 1e5 .5 +6 5. 0x1\n",
      "x 1 2 3 4 5 6 7 8 99999999999\nx 1 2 3 4 5 6 7 8 0.000000000000000000000000001\n",
      "x -5 -0007 -0 4 5 6 7 8 9\nx 2147483647 -2147483648 -0007 -0 1 2 3 4 5\nx 2147483648 1 2 3 4 5 6 7 8\n",
      "x 1 2 3 4 5 6 7 8 9\rx\r\r\nx 1 2 3 4 5 6 7 8 9",  // carriage returns, no last line feed
      "verylongstationname 1 2 3 4 5.25 6.5 7.75 8 9 trailing ' / * junk\n",
  };
  struct Outcome {
    bool more = true;
    std::string cause, stored;
    bool operator==(const Outcome&) const = default;
  };
  auto statement = [](InputChannel& in, int shape) {
    FixedText<7> station;
    std::array<std::int32_t, 4> ints{kUnset, kUnset, kUnset, kUnset};
    std::array<float, 6> reals{};
    Outcome out;
    out.cause = cause_of([&] {
      switch (shape) {
        case 0:  // a climate record
          out.more = read_list_or_end(
              in, {station, ints[0], ints[1], ints[2], ints[3], reals[0], reals[1], reals[2], reals[3], reals[4]});
          break;
        case 1:  // a row of the wide working file
          out.more = read_list_or_end(in, {std::span<std::int32_t>(ints), std::span<float>(reals).first(2)});
          break;
        default:  // a row of the narrow working file
          out.more = read_list_or_end(in, {std::span<std::int32_t>(ints).first(3), ints[3], reals[0]});
          break;
      }
    });
    out.stored = std::string(station.span().data(), station.span().size());
    for (const std::int32_t i : ints) out.stored += std::to_string(i) + " ";
    for (const float r : reals) out.stored += std::to_string(bits(r)) + " ";
    return out;
  };
  ReadObserver observer;
  std::size_t statements = 0;
  for (const std::string& content : contents) {
    for (int shape = 0; shape < 3; ++shape) {
      ScratchDir dir;
      auto plain = dir.input(content);
      auto full = dir.input(content);
      full->observe(&observer);
      for (int n = 0; n < 10; ++n) {
        ++statements;
        const Outcome a = statement(*plain, shape);
        const Outcome b = statement(*full, shape);
        ASSERT_EQ(a, b) << content << " shape " << shape << " statement " << n << ": " << a.stored << " / " << b.stored
                        << " / " << a.cause << " / " << b.cause;
        if (!a.more || !a.cause.empty()) break;
      }
    }
  }
  EXPECT_GT(statements, 55u);
}

TEST(ListRead, EmptyValuesLeaveTheirDestinations) {
  EXPECT_EQ(read_integers("1, ,3\n", 3), (Ints{1, kUnset, 3}));
  EXPECT_EQ(read_integers("1,,3\n", 3), (Ints{1, kUnset, 3}));
  EXPECT_EQ(read_integers("1;;3\n", 3), (Ints{1, kUnset, 3}));
  EXPECT_EQ(read_integers(",2,3\n", 3), (Ints{kUnset, 2, 3}));
  EXPECT_EQ(read_integers("1 , , 3\n", 3), (Ints{1, kUnset, 3}));
  EXPECT_EQ(read_integers("1,2,,\n", 3), (Ints{1, 2, kUnset}));
  EXPECT_EQ(read_integers("1,,,4\n", 4), (Ints{1, kUnset, kUnset, 4}));
}

TEST(ListRead, SlashEndsTheStatement) {
  EXPECT_EQ(read_integers("1 2/ 3\n", 3), (Ints{1, 2, kUnset}));
  EXPECT_EQ(read_integers("1,2/3\n", 3), (Ints{1, 2, kUnset}));
  EXPECT_EQ(read_integers("/ 1 2\n", 2), (Ints{kUnset, kUnset}));
  EXPECT_EQ(read_integers("1,/\n", 2), (Ints{1, kUnset}));
  EXPECT_EQ(read_integers("1\n/\n2\n", 2), (Ints{1, kUnset}));
  // The rest of the record is skipped; the next statement starts on the next record.
  ScratchDir dir;
  auto in = dir.input("1/ 2\n3\n");
  std::int32_t a = kUnset, b = kUnset;
  read_list(*in, {a, b});
  read_list(*in, {b});
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 3);
}

TEST(ListRead, RepeatCounts) {
  EXPECT_EQ(read_integers("3*7\n", 3), (Ints{7, 7, 7}));
  EXPECT_EQ(read_integers("2*5 1\n", 3), (Ints{5, 5, 1}));
  EXPECT_EQ(read_integers("2* 9\n", 3), (Ints{kUnset, kUnset, 9}));
  EXPECT_EQ(read_integers("1,2*,4\n", 4), (Ints{1, kUnset, kUnset, 4}));
  EXPECT_EQ(read_integers("2*\n3\n", 3), (Ints{kUnset, kUnset, 3}));
  EXPECT_EQ(read_integers("2*-3,1\n", 3), (Ints{-3, -3, 1}));
  EXPECT_EQ(read_integers("2*4/\n", 3), (Ints{4, 4, kUnset}));

  ScratchDir dir;
  auto in = dir.input("2*1.5 2*'ab' 3\n5\n");
  std::array<float, 2> reals{};
  FixedText<3> t1, t2;
  std::int32_t n = kUnset;
  read_list(*in, {std::span<float>(reals), t1, t2, n});
  EXPECT_EQ(reals[0], 1.5f);
  EXPECT_EQ(reals[1], 1.5f);
  EXPECT_EQ(t1.view(), "ab ");
  EXPECT_EQ(t2.view(), "ab ");
  EXPECT_EQ(n, 3);
  // Copies left over at the end of a statement are dropped with the rest of the record.
  auto in2 = dir.input("3*7\n8\n");
  std::int32_t a = kUnset, b = kUnset;
  read_list(*in2, {a});
  read_list(*in2, {b});
  EXPECT_EQ(a, 7);
  EXPECT_EQ(b, 8);
}

TEST(ListRead, RepeatCountDiagnostics) {
  EXPECT_EQ(cause_of([] { read_integers("0*5\n", 1); }), "Zero repeat count in item 1 of list input");
  EXPECT_EQ(cause_of([] { read_integers("1 0*5\n", 2); }), "Zero repeat count in item 2 of list input");
  EXPECT_EQ(cause_of([] { read_integers("00*5\n", 1); }), "Zero repeat count in item 1 of list input");
  EXPECT_EQ(cause_of([] { read_integers("99999999999*5\n", 1); }), "Repeat count overflow in item 1 of list input");
  EXPECT_EQ(cause_of([] { read_integers("1,2,2147483648*5\n", 3); }), "Repeat count overflow in item 3 of list input");
  EXPECT_EQ(read_integers("2147483647*6\n", 2), (Ints{6, 6}));
}

TEST(ListRead, IntegerSyntax) {
  const std::pair<const char*, std::int32_t> good[] = {
      {"+5", 5},
      {"-5", -5},
      {"007", 7},
      {"-0", 0},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"  42  ", 42},
      {"0000000000000000000000001", 1},
  };
  for (const auto& [text, value] : good) {
    EXPECT_EQ(read_integers(std::string(text) + "\n", 1), (Ints{value})) << text;
  }
  const char* bad[] = {"5.",  "1e3", "abc", "'5'",   "\"5\"", "2147483648", "-2147483649",
                       "1-",  "+",   "-",   "1.5+3", "0x10",  "5a",         "99999999999999999999",
                       "1d2", "inf", "--1", "+-1"};
  for (const char* text : bad) {
    EXPECT_EQ(cause_of([&] { read_integers(std::string(text) + "\n", 1); }), "Bad integer for item 1 in list input")
        << text;
  }
}

TEST(ListRead, ItemNumbersCountArrayElements) {
  ScratchDir dir;
  auto in = dir.input("1 2 3 4 x\n");
  std::int32_t a = 0, b = 0;
  std::array<std::int32_t, 3> arr{};
  EXPECT_EQ(cause_of([&] {
              read_list(*in, {a, std::span<std::int32_t>(arr), b});
            }),
            "Bad integer for item 5 in list input");
  auto in2 = dir.input("1 2 x\n");
  float x = 0, y = 0, z = 0;
  EXPECT_EQ(cause_of([&] { read_list(*in2, {x, y, z}); }), "Bad real number in item 3 of list input");
}

TEST(ListRead, RealSyntax) {
  const std::pair<const char*, float> good[] = {
      {"1.5", 1.5f},      {".5", 0.5f},         {"5.", 5.0f},
      {"5", 5.0f},        {"-2.5e+2", -250.0f}, {"1e3", 1000.0f},
      {"1E3", 1000.0f},   {"1d3", 1000.0f},     {"1D-3", 0.001f},
      {"1q3", 1000.0f},   {"1Q3", 1000.0f},     {"1.5+3", 1500.0f},
      {"1.5-3", 0.0015f}, {"2+0", 2.0f},        {"+.5", 0.5f},
      {"-.5e1", -5.0f},   {"1.e2", 100.0f},     {"0", 0.0f},
      {"1e+38", 1e38f},   {"0.0e99999", 0.0f},  {"000123.4500", 123.45f},
      {"7e0", 7.0f},      {"1.5E-3", 0.0015f},  {"12345678", 12345678.0f},
  };
  for (const auto& [text, value] : good) {
    EXPECT_EQ(bits(read_real(text)), bits(value)) << text;
  }
  EXPECT_EQ(bits(read_real("-0")), bits(-0.0f));
  EXPECT_EQ(bits(read_real("-0.0e5")), bits(-0.0f));
  for (const char* text : {"inf", "Inf", "INFINITY", "+inf", "Infinity"}) {
    EXPECT_EQ(read_real(text), kInf) << text;
  }
  for (const char* text : {"-inf", "-Infinity", "-INF"}) {
    EXPECT_EQ(read_real(text), -kInf) << text;
  }
  for (const char* text : {"NaN", "nan", "NAN", "-NaN", "+nan"}) {
    EXPECT_TRUE(std::isnan(read_real(text))) << text;
  }
  const char* bad[] = {".", "e5", "1e",   "1.5e+", "1.5e+x", "abc",  "in",   "infinit", "infinityx", "--1",  "1..2",
                       "+", "-",  "1.5.", "1e5.5", "'1.5'",  "1.5x", "nana", "+-1",     "1e+-3",     "0x1p3"};
  for (const char* text : bad) {
    EXPECT_EQ(cause_of([&] { read_real(text); }), "Bad real number in item 1 of list input") << text;
  }
}

// Decimal text goes straight to the nearest float, never through a double.
TEST(ListRead, RealsRoundOnceToTheNearestFloat) {
  const float above_one = std::nextafter(1.0f, 2.0f);
  EXPECT_EQ(read_real("1.0000000596046447755"), above_one);
  EXPECT_EQ(read_real("1.000000059604644775390625"), 1.0f);  // the exact half-way point: to even
  EXPECT_EQ(read_real(std::string("1.000000059604644775390625") + std::string(250, '0') + "1"), above_one);
  EXPECT_EQ(read_real(std::string("1.000000059604644775390624") + std::string(250, '9')), 1.0f);
  EXPECT_EQ(read_real("0.1"), 0.1f);
  EXPECT_EQ(read_real("3.14159"), 3.14159f);
  EXPECT_EQ(read_real("16777217"), 16777216.0f);
  EXPECT_EQ(read_real("16777219"), 16777220.0f);
  EXPECT_EQ(read_real(std::string("0.") + std::string(60, '0') + "1e61"), 1.0f);
  EXPECT_EQ(read_real(std::string("1") + std::string(50, '0') + "e-50"), 1.0f);
  EXPECT_EQ(read_real(std::string(300, '0') + "2.5"), 2.5f);
}

TEST(ListRead, OutOfRangeGivesTheIeeeRoundedValue) {
  EXPECT_EQ(read_real("1e39"), kInf);
  EXPECT_EQ(read_real("-1e39"), -kInf);
  EXPECT_EQ(read_real("1e999999999999"), kInf);
  EXPECT_EQ(read_real("3.4028235677973366e38"), std::numeric_limits<float>::max());
  EXPECT_EQ(read_real("-3.4028235677973366e38"), -std::numeric_limits<float>::max());
  EXPECT_EQ(read_real("3.40282356779733661637539395458142568448e38"), kInf);  // half-way to 2^128: to even
  EXPECT_EQ(read_real("3.4028235677973367e38"), kInf);
  EXPECT_EQ(bits(read_real("1e-46")), 0u);
  EXPECT_EQ(bits(read_real("-1e-46")), 0x80000000u);
  EXPECT_EQ(bits(read_real("1e-999999999999")), 0u);
  EXPECT_EQ(bits(read_real("-1e-999999999999")), 0x80000000u);
  EXPECT_EQ(read_real("1e-40"), 1e-40f);
  EXPECT_EQ(bits(read_real("1.4e-45")), 1u);
  EXPECT_EQ(bits(read_real("2.5e-45")), 2u);
  // 2^-150, half the smallest subnormal: ties to even gives zero; anything above it the subnormal.
  const std::string half_min =
      "7.00649232162408535461864791644958065640130970938257885878534141944895541342930300743319094181060791015625e-46";
  EXPECT_EQ(bits(read_real(half_min)), 0u);
  EXPECT_EQ(bits(read_real("7.0064923216240854e-46")), 1u);
  EXPECT_EQ(bits(read_real("-7.0064923216240854e-46")), 0x80000001u);
}

TEST(ListRead, TextValues) {
  ScratchDir dir;
  {
    auto in = dir.input("'a b,c' \"say \"\"x\"\"\" 'it''s' 'abcdefghij' '' 5\n");
    FixedText<10> a, b, c;
    FixedText<4> d, e("zzzz");
    std::int32_t n = 0;
    read_list(*in, {a, b, c, d, e, n});
    EXPECT_EQ(a.view(), "a b,c     ");
    EXPECT_EQ(b.view(), "say \"x\"   ");
    EXPECT_EQ(c.view(), "it's      ");
    EXPECT_EQ(d.view(), "abcd");
    EXPECT_EQ(e.view(), "    ");
    EXPECT_EQ(n, 5);
  }
  {  // undelimited values end at a blank, tab, comma, semicolon, slash or record end
    auto in = dir.input("climat.txt  other\tx,y;z/w\n");
    FixedText<30> name;
    FixedText<5> f1, f2, f3, f4, f5("keep ");
    read_list(*in, {name, f1, f2, f3, f4, f5});
    EXPECT_EQ(name.view(), "climat.txt" + std::string(20, ' '));
    EXPECT_EQ(f1.view(), "other");
    EXPECT_EQ(f2.view(), "x    ");
    EXPECT_EQ(f3.view(), "y    ");
    EXPECT_EQ(f4.view(), "z    ");
    EXPECT_EQ(f5.view(), "keep ");
  }
  {  // a longer word fills the field and is then passed over whole
    auto in = dir.input("abcdefghij klm\n");
    FixedText<7> seven;
    FixedText<3> three;
    read_list(*in, {seven, three});
    EXPECT_EQ(seven.view(), "abcdefg");
    EXPECT_EQ(three.view(), "klm");
  }
  {  // a delimited value may go on in the next record; the record end adds nothing
    auto in = dir.input("'ab\r\ncd' 'x\"y'\n");
    FixedText<6> a, b;
    read_list(*in, {a, b});
    EXPECT_EQ(a.view(), "abcd  ");
    EXPECT_EQ(b.view(), "x\"y   ");
  }
  {  // one-character fields of a line buffer, each a value of its own
    auto in = dir.input("xyz/\n");
    std::array<char, 3> line{'-', '-', '-'};
    read_list(*in, {Dest::characters(line)});
    EXPECT_EQ(std::string(line.data(), 3), "x--");
  }
}

TEST(ListRead, EachStatementStartsAtTheNextRecord) {
  ScratchDir dir;
  auto in = dir.input("1 2 3\n4\n5\n\n6 7");
  std::int32_t a = kUnset, b = kUnset;
  read_list(*in, {a, b});
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 2);
  read_list(*in, {a, b});  // continues in the next record for its second value
  EXPECT_EQ(a, 4);
  EXPECT_EQ(b, 5);
  read_list(*in, {a});  // the empty record is passed over
  EXPECT_EQ(a, 6);
  EXPECT_FALSE(read_list_or_end(*in, {a}));
}

TEST(ListRead, WithoutDestinationsSkipsOneRecord) {
  ScratchDir dir;
  auto in = dir.input("header 1 2\n\n7\n");
  read_list(*in, {});
  read_list(*in, {});  // an empty record counts as one
  std::int32_t v = kUnset;
  read_list(*in, {v});
  EXPECT_EQ(v, 7);
  EXPECT_FALSE(read_list_or_end(*in, {}));
  EXPECT_EQ(cause_of([&] { read_list(*in, {}); }), "End of file");
}

TEST(ListRead, EndOfFile) {
  ScratchDir dir;
  {  // values read before the end stay stored
    auto in = dir.input("1 2");
    std::int32_t a = kUnset, b = kUnset, c = kUnset;
    EXPECT_FALSE(read_list_or_end(*in, {a, b, c}));
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(c, kUnset);
  }
  {  // a statement completed by the last line without terminator is not at the end
    auto in = dir.input("1 2");
    std::int32_t a = kUnset, b = kUnset;
    EXPECT_TRUE(read_list_or_end(*in, {a, b}));
    EXPECT_FALSE(read_list_or_end(*in, {a}));
  }
  {
    auto in = dir.input("");
    float x = 1.0f;
    EXPECT_FALSE(read_list_or_end(*in, {x}));
    EXPECT_EQ(x, 1.0f);
    EXPECT_EQ(cause_of([&] { read_list(*in, {x}); }), "End of file");
  }
  {  // inside a delimited text
    auto in = dir.input("'abc\n");
    FixedText<5> t;
    EXPECT_EQ(cause_of([&] { read_list(*in, {t}); }), "End of file");
  }
  {
    auto in = dir.input("\n\n  \n");
    std::int32_t a = kUnset;
    EXPECT_FALSE(read_list_or_end(*in, {a}));
  }
}

// The first diagnostic line names the statement's place, the unit and the file.
TEST(ListRead, FailuresNameThePlaceUnitAndFile) {
  ScratchDir dir;
  auto in = dir.input("x\n", "param.soj");
  std::int32_t v = 0;
  int line = 0;
  try {
    line = __LINE__ + 1;
    read_list(*in, {v});
    FAIL() << "no failure";
  } catch (const RunFailure& failure) {
    EXPECT_EQ(failure.place_line(),
              "At line " + std::to_string(line) + " of file " + __FILE__ + " (unit = 20, file = 'param.soj')");
    EXPECT_EQ(failure.cause(), "Bad integer for item 1 in list input");
    EXPECT_EQ(failure.kind(), FailureKind::bad_integer);
  }
  auto empty = dir.input("", "tempobs.txt");
  try {
    line = __LINE__ + 1;
    read_fixed(*empty, Format("(i2)"), {v});
    FAIL() << "no failure";
  } catch (const RunFailure& failure) {
    EXPECT_EQ(failure.place_line(),
              "At line " + std::to_string(line) + " of file " + __FILE__ + " (unit = 20, file = 'tempobs.txt')");
    EXPECT_EQ(failure.cause(), "End of file");
    EXPECT_EQ(failure.kind(), FailureKind::end_of_file);
  }
}

// ---------------------------------------------------------------------------------------------------
// Fixed-field reads.

Ints read_date(const std::string& record) {
  ScratchDir dir;
  auto in = dir.input(record + "\r\n");
  Ints v(3, kUnset);
  read_fixed(*in, Format("(i2,1x,i2,1x,i4)"), {v[0], v[1], v[2]});
  return v;
}

TEST(FixedRead, IntegerFields) {
  EXPECT_EQ(read_date("05/04/2011"), (Ints{5, 4, 2011}));
  EXPECT_EQ(read_date(" 5/ 4/2011"), (Ints{5, 4, 2011}));
  EXPECT_EQ(read_date("05-04-2011 and more"), (Ints{5, 4, 2011}));
  EXPECT_EQ(read_date("1 /2 /2 1 "), (Ints{1, 2, 21}));  // blanks are ignored
  EXPECT_EQ(read_date("  /  /    "), (Ints{0, 0, 0}));
  EXPECT_EQ(read_date("05/04"), (Ints{5, 4, 0}));  // a short record reads as if padded with blanks
  EXPECT_EQ(read_date("05/0"), (Ints{5, 0, 0}));
  EXPECT_EQ(read_date(""), (Ints{0, 0, 0}));
  EXPECT_EQ(read_date("-1/+2/ -30"), (Ints{-1, 2, -30}));
  EXPECT_EQ(read_date("99x99x9999"), (Ints{99, 99, 9999}));
}

TEST(FixedRead, BadIntegerFields) {
  for (const char* record : {"5/4/2011", "ab/cd/efgh", "1-/02/2011", "05/04/20.1", "+-/01/2000", "05/04/2e11"}) {
    EXPECT_EQ(cause_of([&] { read_date(record); }), "Bad value during integer read") << record;
  }
}

TEST(FixedRead, LineBufferOfOneCharacterFields) {
  ScratchDir dir;
  const std::string long_record(250, 'L');
  auto in = dir.input("a;b c\t\r\n" + long_record + "\nx\ry\n");
  std::array<char, 200> line;
  const Format format("(200a1)");
  read_fixed(*in, format, {Dest::characters(line)});
  EXPECT_EQ(std::string(line.data(), 200), "a;b c\t" + std::string(194, ' '));
  read_fixed(*in, format, {Dest::characters(line)});
  EXPECT_EQ(std::string(line.data(), 200), long_record.substr(0, 200));
  read_fixed(*in, format, {Dest::characters(line)});  // starts at the record after the long one
  EXPECT_EQ(std::string(line.data(), 200), "x\ry" + std::string(197, ' '));
  EXPECT_FALSE(read_fixed_or_end(*in, format, {Dest::characters(line)}));
  EXPECT_EQ(cause_of([&] { read_fixed(*in, format, {Dest::characters(line)}); }), "End of file");
}

TEST(FixedRead, RecordsFormatControl) {
  ScratchDir dir;
  {  // destinations left at the closing parenthesis: the format starts again on the next record
    auto in = dir.input("1\n2\n3\n4\n");
    Ints v(3, kUnset);
    read_fixed(*in, Format("(i2)"), {std::span<std::int32_t>(v)});
    EXPECT_EQ(v, (Ints{1, 2, 3}));
    std::int32_t next = kUnset;
    read_fixed(*in, Format("(i2)"), {next});
    EXPECT_EQ(next, 4);
  }
  {  // a slash goes to the next record; skips stop at the record end
    auto in = dir.input("12345\n 6\n");
    std::int32_t a = kUnset, b = kUnset;
    read_fixed(*in, Format("(3x,i2/i2)"), {a, b});
    EXPECT_EQ(a, 45);
    EXPECT_EQ(b, 6);
  }
  {  // a wider A field keeps its rightmost characters, a narrower one is padded
    auto in = dir.input("  abcdefgh\n");
    FixedText<3> wide, narrow;
    read_fixed(*in, Format("(a5,a2)"), {wide, narrow});
    EXPECT_EQ(wide.view(), "abc");
    EXPECT_EQ(narrow.view(), "de ");
  }
  {  // the end of the file in the middle of a statement
    auto in = dir.input("1\n");
    std::int32_t a = kUnset, b = kUnset;
    EXPECT_FALSE(read_fixed_or_end(*in, Format("(i2)"), {a, b}));
    EXPECT_EQ(a, 1);
  }
}

}  // namespace
}  // namespace laifit
