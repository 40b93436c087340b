#include "records/output.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "record_helpers.hpp"
#include "records/failure.hpp"
#include "records/fixed_text.hpp"
#include "support/process.hpp"

namespace laifit {
namespace {

using testing::render_list;
using testing::ScratchDir;

using testing::kEnd;

std::string eleven(std::string_view digits) { return std::string(11 - digits.size(), ' ') + std::string(digits); }

TEST(ListWrite, BlankFirstAndBetweenItemsButNotBetweenTexts) {
  EXPECT_EQ(render_list({}), " " + kEnd);
  EXPECT_EQ(render_list({"ab", "cd", 7}), " abcd " + eleven("7") + kEnd);
  EXPECT_EQ(render_list({7, "ab"}), " " + eleven("7") + " ab" + kEnd);
  EXPECT_EQ(render_list({1, 2}), " " + eleven("1") + " " + eleven("2") + kEnd);
  EXPECT_EQ(render_list({"x", 1.0f, "y"}),
            " x"
            " "
            "  1.00000000    "
            " "
            "y" +
                kEnd);
  EXPECT_EQ(render_list({"info- pour infos sur l'ajustement regardez le fichier adjust_lai.txt"}),
            " info- pour infos sur l'ajustement regardez le fichier adjust_lai.txt" + kEnd);
  // The model adapter's progress line.
  EXPECT_EQ(render_list({"debug-  ", 1, "nob", 12}), " debug-   " + eleven("1") + " nob " + eleven("12") + kEnd);
}

// Observation 1 of 8 with the parameters 5 and 0.01 and a thermal time of 250.5, as the model adapter
// shows it on the screen.
TEST(ListWrite, ModelAdapterLine) {
  const float par[] = {5.0f, 0.01f};
  EXPECT_EQ(
      render_list({"debug-  ", 1, "nob", 8, std::span<const float>(par), 2, 250.5f}),
      " debug-             1 nob           8   5.00000000       9.99999978E-03           2   250.500000    " + kEnd);
}

TEST(ListWrite, TextsKeepTheirTrailingBlanks) {
  const FixedText<30> name("lai.txt");
  EXPECT_EQ(render_list({name}), " lai.txt" + std::string(23, ' ') + kEnd);
  EXPECT_EQ(render_list({name, 3}), " lai.txt" + std::string(23, ' ') + " " + eleven("3") + kEnd);
  EXPECT_EQ(render_list({" "}), "  " + kEnd);
}

TEST(ListWrite, ArraysElementByElement) {
  const std::int32_t ints[] = {1, -2, 3};
  EXPECT_EQ(render_list({std::span<const std::int32_t>(ints)}),
            " " + eleven("1") + " " + eleven("-2") + " " + eleven("3") + kEnd);
  const float reals[] = {0.5f, 2.0f};
  EXPECT_EQ(render_list({"v", std::span<const float>(reals)}),
            " v"
            " "
            " 0.500000000    "
            " "
            "  2.00000000    " +
                kEnd);
  const char chars[] = {'a', 'b', ' '};
  EXPECT_EQ(render_list({Item::characters(chars), "c"}), " ab c" + kEnd);
  EXPECT_EQ(render_list({"a", std::span<const float>(), "b", 1}), " ab " + eleven("1") + kEnd);
}

TEST(ListWrite, OneRecordHoweverLong) {
  const std::vector<float> values(1000, 1.0f);
  const std::string out = render_list({"t", std::span<const float>(values)});
  EXPECT_EQ(out.size(), 1 + 1 + 1000 * (1 + 16) + 2);
  EXPECT_EQ(out.find(kEnd), out.size() - 2);
}

// Records written across many internal hand-overs arrive whole and in order.
TEST(OutputChannel, DeliversEveryRecordInOrder) {
  std::string out;
  std::string expected;
  {
    OutputChannel channel(10, "capture", std::make_unique<StringSink>(out));
    for (std::int32_t k = 0; k < 20000; ++k) {
      channel.write_list({"k", k});
      expected += " k " + eleven(std::to_string(k)) + kEnd;
      channel.write(Format("(i6)"), {k});
      expected += std::string(6 - std::to_string(k).size(), ' ') + std::to_string(k) + kEnd;
    }
    channel.flush();
    EXPECT_EQ(channel.bytes_written(), expected.size());
  }
  EXPECT_EQ(out, expected);
}

// Records every put's size; its block is the one given.
class BlockSink : public ByteSink {
 public:
  BlockSink(std::vector<std::size_t>& puts, std::size_t block) : puts_(puts), block_(block) {}
  bool put(std::string_view bytes, std::string&) override {
    puts_.push_back(bytes.size());
    return true;
  }
  std::size_t block_size() const override { return block_; }

 private:
  std::vector<std::size_t>& puts_;
  std::size_t block_;
};

// Every put but the last is exactly one block, so that each write starts and ends on a page of the file:
// of 64 KiB until the output is long, then of the sink's size.
TEST(OutputChannel, HandsOverBlocksOfItsSinksSize) {
  for (const std::size_t block : {ByteSink::kDefaultBlock, ByteSink::kFileScreenBlock}) {
    std::vector<std::size_t> puts;
    OutputChannel channel(6, "screen", std::make_unique<BlockSink>(puts, block));
    const std::string line(150, 'x');
    for (int k = 0; k < 30000; ++k) channel.write_pieces({line});  // 4.6 MB of records
    channel.flush();
    ASSERT_GT(puts.size(), 2u);
    std::size_t before = 0;
    for (std::size_t i = 0; i + 1 < puts.size(); before += puts[i], ++i)
      EXPECT_EQ(puts[i], before < ByteSink::kLargeOutput ? ByteSink::kDefaultBlock : block) << block << " " << i;
    EXPECT_LE(puts.back(), block);
    EXPECT_EQ(channel.bytes_written(), 30000u * 152u);
  }
}

TEST(OutputChannel, RefusesItemsThatDoNotMatchTheDescriptor) {
  std::string out;
  OutputChannel channel(10, "capture", std::make_unique<StringSink>(out));
  EXPECT_THROW(channel.write(Format("(i5)"), {1.0f}), std::logic_error);
  EXPECT_THROW(channel.write(Format("(f6.3)"), {1}), std::logic_error);
  EXPECT_THROW(channel.write(Format("(a3)"), {1}), std::logic_error);
  // Items with nothing to take them would make the format revert for ever.
  EXPECT_THROW(channel.write(Format("('x')"), {1}), std::logic_error);
}

TEST(NullSink, CountsWhatItForgets) {
  auto sink = std::make_unique<NullSink>();
  NullSink& null = *sink;
  OutputChannel channel(6, "stdout", std::move(sink));
  channel.write_list({"abc"});
  channel.write(Format("(i3)"), {5});
  channel.flush();
  EXPECT_EQ(null.bytes(), std::string(" abc\r\n  5\r\n").size());
}

// A file given to an output channel keeps its contents until the first bytes go to it.
TEST(FileSink, CutsAFileAtItsFirstWriteOnly) {
  ScratchDir dir;
  dir.write("kept.txt", "old contents\r\nsecond line\r\n");
  dir.write("cut.txt", "old contents\r\nsecond line\r\n");
  {
    auto sink = std::make_unique<FileSink>(dir.open("kept.txt", platform::Mode::write), true);
    OutputChannel channel(11, "kept.txt", std::move(sink));
    channel.flush();
  }
  EXPECT_EQ(dir.read("kept.txt"), "old contents\r\nsecond line\r\n");
  {
    auto sink = std::make_unique<FileSink>(dir.open("cut.txt", platform::Mode::write), true);
    OutputChannel channel(11, "cut.txt", std::move(sink));
    channel.write_list({"new"});
    channel.flush();
    channel.write_list({"more"});
    channel.flush();
  }
  EXPECT_EQ(dir.read("cut.txt"), " new\r\n more\r\n");
}

// Standard output may be a pipe, which cannot be cut: writing to it still works.
TEST(FileSink, WritesToAPipe) {
  const testing::Pipe pipe = testing::make_pipe();
  {
    OutputChannel channel(6, "stdout", std::make_unique<FileSink>(platform::File::adopt(pipe.write_end), true));
    channel.write_list({"screen"});
    channel.flush();
  }
  EXPECT_EQ(testing::drain_pipe(pipe.read_end, 64), " screen\r\n");
}

// /dev/full, which refuses every byte; skipped where there is none.
platform::File full_device() {
#ifdef _WIN32
  return platform::File();  // Windows has no device that refuses writes
#else
  std::string why;
  return platform::Folder::current(why).open_file("/dev/full", platform::Mode::write, why);
#endif
}

// A destination that refuses bytes ends the run with the place of the statement and the reason.
TEST(FileSink, RefusedBytesAreARunFailure) {
  platform::File full = full_device();
  if (!full.is_open()) GTEST_SKIP() << "no /dev/full here";
  OutputChannel channel(12, "full", std::make_unique<FileSink>(std::move(full), false));
  channel.write_list({"lost"});
  int line = 0;
  try {
    line = __LINE__ + 1;
    channel.flush();
    FAIL() << "a write to a full device reported success";
  } catch (const RunFailure& failure) {
    EXPECT_EQ(failure.place_line(),
              "At line " + std::to_string(line) + " of file " + __FILE__ + " (unit = 12, file = 'full')");
    EXPECT_NE(failure.cause().find("No space left on device"), std::string::npos) << failure.cause();
    EXPECT_EQ(failure.unit(), 12);
    EXPECT_EQ(failure.file(), "full");
  }
}

// Enough records to make the channel hand its buffer over in the middle of a statement.
TEST(FileSink, RefusalDuringABufferedWriteIsNotLost) {
  platform::File full = full_device();
  if (!full.is_open()) GTEST_SKIP() << "no /dev/full here";
  OutputChannel channel(12, "full", std::make_unique<FileSink>(std::move(full), true));
  const std::vector<float> row(100, 1.0f);
  EXPECT_THROW(
      {
        for (int k = 0; k < 1000; ++k) channel.write(Format("(1x,10e12.4)"), {std::span<const float>(row)});
        channel.flush();
      },
      RunFailure);
}

}  // namespace
}  // namespace laifit
