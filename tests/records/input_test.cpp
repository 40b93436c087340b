#include "records/input.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "record_helpers.hpp"

namespace laifit {
namespace {

using testing::ScratchDir;

// The rest of the current record, consumed.
std::string rest_of_record(InputChannel& in) {
  std::string r;
  for (int c; (c = in.peek()) != InputChannel::kEndOfRecord; in.advance()) r.push_back(static_cast<char>(c));
  return r;
}

std::vector<std::string> all_records(InputChannel& in) {
  std::vector<std::string> out;
  while (in.begin_record()) out.push_back(rest_of_record(in));
  return out;
}

using Records = std::vector<std::string>;

TEST(InputChannel, RecordsEndAtLineFeedsWithAnOptionalCarriageReturn) {
  struct Case {
    std::string content;
    Records records;
  };
  const Case cases[] = {
      {"", {}},
      {"\n", {""}},
      {"\r\n", {""}},
      {"a\nb\n", {"a", "b"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},        // a last line without terminator is a record
      {"a\r\nb\r", {"a", "b\r"}},  // a carriage return without line feed is data
      {"a\rb\n", {"a\rb"}},
      {"a\r\r\n", {"a\r"}},
      {"\r", {"\r"}},
      {"a\n\n\nb", {"a", "", "", "b"}},
      {"\ta b\t\n", {"\ta b\t"}},
      {std::string("x\0y\n", 4), {std::string("x\0y", 3)}},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    auto in = dir.input(c.content);
    EXPECT_EQ(all_records(*in), c.records) << "content of " << c.content.size() << " bytes";
    EXPECT_FALSE(in->begin_record()) << "the end of the file stays the end";
  }
}

TEST(InputChannel, UnreadPartOfARecordIsSkipped) {
  ScratchDir dir;
  auto in = dir.input("abc\r\ndef\nghi");
  ASSERT_TRUE(in->begin_record());
  EXPECT_EQ(in->peek(), 'a');
  in->advance();
  ASSERT_TRUE(in->begin_record());
  EXPECT_EQ(rest_of_record(*in), "def");
  in->finish_record();
  ASSERT_TRUE(in->begin_record());
  EXPECT_EQ(in->peek(), 'g');
  EXPECT_FALSE(in->begin_record());
}

// Records longer than any internal buffer, and terminators split across its refills.
TEST(InputChannel, LongRecordsAndTerminatorsAtEveryOffset) {
  ScratchDir dir;
  for (std::size_t length : {65533u, 65534u, 65535u, 65536u, 65537u, 131071u, 131072u, 300000u}) {
    std::string content;
    Records expected;
    for (int k = 0; k < 3; ++k) {
      std::string record(length + static_cast<std::size_t>(k), static_cast<char>('a' + k));
      record[record.size() / 2] = '\r';  // a lone carriage return in the middle stays data
      content += record + (k == 1 ? "\n" : "\r\n");
      expected.push_back(record);
    }
    content += "tail";
    expected.push_back("tail");
    auto in = dir.input(content);
    EXPECT_EQ(all_records(*in), expected) << "records of " << length << " characters";
  }
}

TEST(InputChannel, StepBackRereadsTheRecordJustBegun) {
  ScratchDir dir;
  auto in = dir.input("first\r\nsecond\nthird");
  ASSERT_TRUE(in->begin_record());
  EXPECT_EQ(rest_of_record(*in), "first");
  in->step_back();
  ASSERT_TRUE(in->begin_record());
  EXPECT_EQ(rest_of_record(*in), "first");
  ASSERT_TRUE(in->begin_record());
  in->advance();  // partly read
  in->step_back();
  ASSERT_TRUE(in->begin_record());
  EXPECT_EQ(rest_of_record(*in), "second");
  ASSERT_TRUE(in->begin_record());
  EXPECT_EQ(rest_of_record(*in), "third");
  in->step_back();  // the last record, without terminator
  ASSERT_TRUE(in->begin_record());
  EXPECT_EQ(rest_of_record(*in), "third");
  EXPECT_FALSE(in->begin_record());
}

TEST(InputChannel, StepBackOverALongRecord) {
  ScratchDir dir;
  const std::string big(200000, 'z');
  auto in = dir.input("a\n" + big + "\r\nb\n");
  ASSERT_TRUE(in->begin_record());
  ASSERT_TRUE(in->begin_record());
  EXPECT_EQ(rest_of_record(*in), big);
  in->step_back();
  ASSERT_TRUE(in->begin_record());
  EXPECT_EQ(rest_of_record(*in), big);
  ASSERT_TRUE(in->begin_record());
  EXPECT_EQ(rest_of_record(*in), "b");
}

}  // namespace
}  // namespace laifit
