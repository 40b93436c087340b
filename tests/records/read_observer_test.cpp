#include "records/read_observer.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "record_helpers.hpp"
#include "records/failure.hpp"
#include "records/fixed_text.hpp"
#include "records/list_input.hpp"

namespace laifit {
namespace {

using testing::ScratchDir;

// What the observer saw, one line per value: record:column-end "text" separator, and its flags.
class Recorder : public ReadObserver {
 public:
  void began(const InputChannel&, bool free_format) override { seen += free_format ? "[" : "{"; }
  void value(const InputChannel&, const ReadValue& v) override {
    seen.append(std::to_string(v.record)).append(":").append(std::to_string(v.column)).append("-");
    seen.append(std::to_string(v.end_column)).append("\"").append(v.text).append("\"");
    seen += v.separator == ReadValue::kEndOfRecord ? std::string("$") : std::string(1, static_cast<char>(v.separator));
    if (v.quoted) seen += "q";
    if (v.null) seen += "0";
    if (!v.stored) seen += "!";
    seen += " ";
  }
  void ended(const InputChannel&, bool end_of_file, std::string_view skipped) override {
    if (end_of_file) {
      seen += "EOF]";
    } else {
      seen.append("(").append(skipped).append(")]");
    }
  }
  std::string seen;
};

TEST(ReadObserver, ReportsEachValueWhereItStandsAndWhatEndedIt) {
  struct Row {
    const char* file;
    std::function<void(InputChannel&)> read;
    const char* seen;
  };
  std::int32_t i[4];
  float r[3];
  FixedText<8> t;
  const Row rows[] = {
      // A decimal comma: the number ends at the comma, and the rest of the record is passed over.
      {"4,5\n", [&](InputChannel& in) { read_list(in, {r[0]}); }, "[1:0-1\"4\", (,5)]"},
      // Empty values between semicolons, blanks around a comma, a value taken from the next record.
      {"1;;3 , 4\n5\n",
       [&](InputChannel& in) {
         read_list(in, {std::span<std::int32_t>(i, 4), r[0]});
       },
       "[1:0-1\"1\"; 1:2-2\"\";0 1:3-4\"3\"  1:7-8\"4\"$ 2:0-1\"5\"$ ()]"},
      // A quoted text with a blank, and what follows it.
      {"'my obs.csv' rest\n", [&](InputChannel& in) { read_list(in, {t}); }, "[1:0-12\"my obs.csv\" q ( rest)]"},
      // An unquoted name ends at a blank, a slash ends the statement.
      {"my obs.csv\n", [&](InputChannel& in) { read_list(in, {t}); }, "[1:0-2\"my\"  ( obs.csv)]"},
      {"data/obs.csv\n",
       [&](InputChannel& in) {
         read_list(in, {t, i[0]});
       },
       "[1:0-4\"data\"/ (/obs.csv)]"},
      // A repeat count gives the same value twice.
      {"2*7\n",
       [&](InputChannel& in) {
         read_list(in, {i[0], i[1]});
       },
       "[1:0-3\"7\"$ 1:0-3\"7\"$ ()]"},
      // The end of the file before the statement is complete.
      {"1\n",
       [&](InputChannel& in) {
         read_list_or_end(in, {i[0], i[1]});
       },
       "[1:0-1\"1\"$ EOF]"},
      // Fixed fields: their characters as they stand, a short record padded.
      {"20/4/2011\n",
       [&](InputChannel& in) {
         read_fixed_or_end(in, Format("(i2,1x,i2,1x,i4)"), {i[0], i[1], i[2]});
       },
       "{1:0-2\"20\"/ 1:3-5\"4/\"2! failed"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    ScratchDir dir;
    auto in = dir.input(row.file);
    Recorder rec;
    in->observe(&rec);
    try {
      row.read(*in);
    } catch (const RunFailure&) {
      rec.seen += "failed";
    }
    EXPECT_EQ(rec.seen, row.seen);
  }
  (void)r;
}

TEST(ReadObserver, AReadGivesTheSameValuesWithOrWithoutIt) {
  const char* const files[] = {"1 2.5 'a b' 3*4 ,, 7\n8 9\n", "x 2011 1 1 1 -5.1 1.9 9.0 1.3 0.0\n",
                               "1;;3\n\n4 5 6 7 8\n"};
  for (const char* file : files) {
    std::vector<std::int32_t> plain(8, -1), observed(8, -1);
    FixedText<4> a, b;
    auto read = [&](ReadObserver* o, std::vector<std::int32_t>& ints, FixedText<4>& text) {
      ScratchDir dir;
      auto in = dir.input(file);
      in->observe(o);
      float x = 0;
      try {
        read_list_or_end(*in, {ints[0], x, text, std::span<std::int32_t>(ints).subspan(1)});
      } catch (const RunFailure& f) {
        return f.cause() + "@" + std::to_string(in->record_number());
      }
      return std::to_string(x) + "@" + std::to_string(in->record_number());
    };
    Recorder rec;
    EXPECT_EQ(read(nullptr, plain, a), read(&rec, observed, b)) << file;
    EXPECT_EQ(plain, observed) << file;
    EXPECT_EQ(a, b) << file;
  }
}

TEST(ReadObserver, RecordNumbersStepBackWithTheChannel) {
  ScratchDir dir;
  auto in = dir.input("a\nb\nc\n");
  FixedText<1> t;
  read_list(*in, {t});
  EXPECT_EQ(in->record_number(), 1);
  read_list(*in, {t});
  EXPECT_EQ(in->record_number(), 2);
  in->step_back();
  in->step_back();  // twice: still the record begun last
  read_list(*in, {t});
  EXPECT_EQ(in->record_number(), 2);
  EXPECT_EQ(t.trimmed(), "b");
  read_list(*in, {t});
  EXPECT_EQ(in->record_number(), 3);
}

TEST(ReadObserver, AScanStopsAtTheRecordsEndAndTakesStarsAsCharacters) {
  ScratchDir dir;
  auto in = dir.input("ian;mo;;\"lai(n)\";2*3 'open\nnext;line\n");
  Recorder rec;
  ASSERT_TRUE(scan_list_record(*in, rec));
  EXPECT_EQ(rec.seen,
            "[1:0-3\"ian\"; 1:4-6\"mo\"; 1:7-7\"\";0 1:8-16\"lai(n)\";q 1:17-20\"2*3\"  1:21-26\"open\"$q ()]");
  rec.seen.clear();
  ASSERT_TRUE(scan_list_record(*in, rec));
  EXPECT_EQ(rec.seen, "[2:0-4\"next\"; 2:5-9\"line\"$ ()]");
  EXPECT_FALSE(scan_list_record(*in, rec));
  EXPECT_EQ(in->observer(), nullptr);  // the scan's observer is the scan's alone
}

}  // namespace
}  // namespace laifit
