#include "platform/files.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/folder_path.hpp"
#include "platform/memory_folder.hpp"
#include "platform/read_file.hpp"
#include "support/scratch.hpp"

namespace laifit::platform {
namespace {

namespace fs = std::filesystem;

class Scratch {
 public:
  Scratch() : path_(testing::make_scratch_folder("laifit-platform")) {
    std::string why;
    folder_ = open_folder(path_, why);
    if (!folder_.is_open()) throw std::runtime_error("cannot open the scratch folder: " + why);
  }
  ~Scratch() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const Folder& folder() const { return folder_; }
  fs::path path(const std::string& name) const { return path_ / name; }
  void write(const std::string& name, const std::string& content) const {
    std::ofstream(path(name), std::ios::binary) << content;
  }
  std::string read(const std::string& name) const { return read_file(path(name)).value_or(""); }

 private:
  fs::path path_;
  Folder folder_;
};

const char* mode_name(Mode mode) {
  switch (mode) {
    case Mode::read: return "read";
    case Mode::read_or_create: return "read_or_create";
    case Mode::write: return "write";
    case Mode::write_emptied: return "write_emptied";
  }
  return "?";
}

// What each mode does to an absent file and to one holding bytes.
TEST(PlatformFolder, ModesCreateKeepAndEmptyAsNamed) {
  struct Case {
    Mode mode;
    bool existing;
    bool opens;
    const char* after;  // contents after the opening; nullptr: no such file
  };
  const Case cases[] = {
      {Mode::read, false, false, nullptr},     {Mode::read, true, true, "old\r\n"},
      {Mode::read_or_create, false, true, ""}, {Mode::read_or_create, true, true, "old\r\n"},
      {Mode::write, false, true, ""},          {Mode::write, true, true, "old\r\n"},
      {Mode::write_emptied, false, true, ""},  {Mode::write_emptied, true, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(mode_name(c.mode)) + (c.existing ? " existing" : " absent"));
    Scratch dir;
    if (c.existing) dir.write("f.txt", "old\r\n");
    std::string why;
    File file = dir.folder().open_file("f.txt", c.mode, why);
    EXPECT_EQ(file.is_open(), c.opens) << why;
    if (!c.opens) {
      EXPECT_EQ(why, "No such file or directory");
    }
    file.close();
    EXPECT_EQ(fs::exists(dir.path("f.txt")), c.after != nullptr);
    if (c.after != nullptr) {
      EXPECT_EQ(dir.read("f.txt"), c.after);
    }
  }
}

// The reasons of the failures that a run folder meets, worded alike on every system.
TEST(PlatformFolder, FailuresGiveTheSystemsReason) {
  struct Case {
    std::string name;
    Mode mode;
    const char* why;
  };
  const Case cases[] = {
      {"folder", Mode::read, "Is a directory"},
      {"folder", Mode::read_or_create, "Is a directory"},
      {"folder", Mode::write, "Is a directory"},
      {"folder", Mode::write_emptied, "Is a directory"},
      {"absent.txt", Mode::read, "No such file or directory"},
      {"nowhere/x.txt", Mode::read, "No such file or directory"},
      {"nowhere/x.txt", Mode::write, "No such file or directory"},
      {std::string("a\0b", 3), Mode::write, "Invalid argument"},
      {"", Mode::read, "No such file or directory"},
  };
  Scratch dir;
  fs::create_directory(dir.path("folder"));
  for (const Case& c : cases) {
    SCOPED_TRACE("'" + c.name + "' " + mode_name(c.mode));
    std::string why;
    EXPECT_FALSE(dir.folder().open_file(c.name, c.mode, why).is_open());
    EXPECT_EQ(why, c.why);
  }
  EXPECT_FALSE(fs::exists(dir.path("nowhere")));
  EXPECT_FALSE(fs::exists(dir.path("a")));
  std::string why;
  EXPECT_FALSE(open_folder(dir.path("absent"), why).is_open());
  EXPECT_EQ(why, "No such file or directory");
  // A folder's name holding a NUL byte names nothing, rather than the folder named by its first part.
  EXPECT_FALSE(Folder::open(std::string_view(".\0absent", 8), why).is_open());
  EXPECT_EQ(why, "Invalid argument");
}

TEST(PlatformFile, ReadsAtAnyOffsetWritesAndEmpties) {
  Scratch dir;
  dir.write("digits.txt", "0123456789");
  std::string why;
  const File in = dir.folder().open_file("digits.txt", Mode::read, why);
  ASSERT_TRUE(in.is_open()) << why;
  struct Case {
    std::uint64_t offset;
    std::size_t size;
    std::string got;
  };
  for (const Case& c : {Case{3, 4, "3456"}, Case{0, 3, "012"}, Case{8, 10, "89"}, Case{10, 4, ""}, Case{1000, 4, ""}}) {
    std::string buf(c.size, '?');
    const std::int64_t n = in.read_at(c.offset, buf.data(), c.size, why);
    ASSERT_GE(n, 0) << why;
    EXPECT_EQ(buf.substr(0, static_cast<std::size_t>(n)), c.got) << "at " << c.offset;
  }

  File out = dir.folder().open_file("digits.txt", Mode::write, why);
  ASSERT_TRUE(out.is_open()) << why;
  ASSERT_TRUE(out.write("abc\r\n", why)) << why;
  EXPECT_EQ(dir.read("digits.txt"), "abc\r\n56789") << "bytes go in as they are, over the old ones";
  ASSERT_TRUE(out.truncate(why)) << why;
  ASSERT_TRUE(out.write("xy\n", why)) << why;
  out.close();
  EXPECT_EQ(dir.read("digits.txt"), "xy\n") << "emptied, then written from the start";
  out = dir.folder().open_file("digits.txt", Mode::write, why);
  ASSERT_TRUE(out.write("a", why) && out.end_here(why)) << why;
  EXPECT_EQ(dir.read("digits.txt"), "a") << "ended after the bytes written over its start";
  ASSERT_TRUE(out.write("bcde", why) && out.end_here(why)) << why;
  EXPECT_EQ(dir.read("digits.txt"), "abcde") << "ending a file at its end changes nothing";
}

TEST(PlatformFile, ReadFileGivesEveryByteOfARegularFileOnly) {
  Scratch s;
  const std::string bytes("line\r\n\0\x1a\xff end", 13);
  s.write("data", bytes);
  s.write("empty", "");
  EXPECT_EQ(read_file(s.path("data")), bytes);
  EXPECT_EQ(read_file(s.path("empty")), "");
  fs::create_directory(s.path("folder"));
  EXPECT_FALSE(read_file(s.path("folder")).has_value());
  EXPECT_FALSE(read_file(s.path("absent")).has_value());
}

TEST(PlatformFile, InfoTellsRegularFilesAndTheirIdentity) {
  Scratch dir;
  dir.write("a.txt", "a");
  dir.write("b.txt", "b");
  std::string why;
  const File a = dir.folder().open_file("a.txt", Mode::read, why);
  File::Info info;
  ASSERT_TRUE(a.info(info, why)) << why;
  EXPECT_TRUE(info.regular);
  EXPECT_EQ(dir.folder().identity("a.txt"), info.id);
  EXPECT_EQ(dir.folder().identity("./a.txt"), info.id);
  EXPECT_NE(dir.folder().identity("b.txt"), info.id);
  EXPECT_EQ(dir.folder().identity("absent.txt"), std::nullopt);
  EXPECT_EQ(dir.folder().identity(std::string("a.txt\0b", 7)), std::nullopt);
  // The folder's own absolute name is found as well.
  EXPECT_EQ(dir.folder().identity(dir.path("a.txt").string()), info.id);
}

// The folder held in memory answers as the folder it was recorded from: each mode's refusal, links as
// one file, files created by the run, and a limit on what it holds.
TEST(MemoryFolder, OpensAsTheRecordedFolderWouldAndHoldsAtMostItsLimit) {
  using Kind = MemoryFolder::Kind;
  const auto memory = std::make_shared<MemoryFolder>(64);
  memory->add("in.txt", {Kind::file, FileId{1, 7}, "abc", "", "Permission denied"});
  memory->add("link.txt", {Kind::file, FileId{1, 7}, "ignored", "", ""});
  memory->add("dir", {Kind::folder, FileId{1, 8}, "", "", ""});
  memory->add("out.txt", {Kind::missing, {}, "", "", ""});
  memory->add("sub/new.txt", {Kind::missing, {}, "", "", "No such file or directory"});
  memory->alias("./out.txt", "out.txt");
  const Folder folder = Folder::backed_by(memory);
  std::string why;

  // A link is the file it leads to: same identity, same bytes.
  EXPECT_EQ(folder.identity("link.txt"), (FileId{1, 7}));
  File in = folder.open_file("link.txt", Mode::read, why);
  char buffer[8] = {};
  ASSERT_TRUE(in.is_open()) << why;
  EXPECT_EQ(in.read_at(1, buffer, sizeof buffer, why), 2);
  EXPECT_EQ(std::string(buffer, 2), "bc");
  EXPECT_FALSE(folder.open_file("in.txt", Mode::write, why).is_open());
  EXPECT_EQ(why, "Permission denied");
  EXPECT_FALSE(folder.open_file("dir", Mode::read, why).is_open());
  EXPECT_EQ(cause_of(why), Cause::is_folder);
  EXPECT_FALSE(folder.open_file("out.txt", Mode::read, why).is_open());
  EXPECT_EQ(cause_of(why), Cause::not_found);
  EXPECT_FALSE(folder.open_file("sub/new.txt", Mode::write, why).is_open());
  EXPECT_FALSE(folder.open_file("nobody.txt", Mode::write, why).is_open());
  EXPECT_FALSE(folder.open_file(std::string_view("a\0b", 3), Mode::read, why).is_open());
  EXPECT_EQ(why, "Invalid argument");

  // A missing file is created by a writing mode, under every spelling recorded for it.
  EXPECT_FALSE(memory->written("out.txt"));
  File out = folder.open_file("./out.txt", Mode::write_emptied, why);
  ASSERT_TRUE(out.is_open()) << why;
  EXPECT_EQ(memory->written("out.txt"), "");
  ASSERT_TRUE(out.write("hello", why));
  EXPECT_EQ(folder.identity("out.txt"), folder.identity("./out.txt"));
  FileInfo info;
  ASSERT_TRUE(out.info(info, why));
  EXPECT_TRUE(info.regular);
  EXPECT_EQ(memory->written("out.txt"), "hello");
  ASSERT_TRUE(out.truncate(why));
  ASSERT_TRUE(out.write("hi", why));
  EXPECT_EQ(memory->bytes("out.txt"), "hi");

  // Beyond the limit (3 + 2 held, 64 at most) a write fails and the folder says so.
  EXPECT_FALSE(memory->over_limit());
  EXPECT_FALSE(out.write(std::string(60, 'x'), why));
  EXPECT_TRUE(memory->over_limit());
  EXPECT_EQ(memory->held(), 5u);
  File again = folder.open_file("out.txt", Mode::write, why);
  ASSERT_TRUE(again.write("H", why) && again.end_here(why));
  EXPECT_EQ(memory->bytes("out.txt"), "H");
  EXPECT_EQ(memory->held(), 4u) << "the bytes an ended file dropped are no longer held";
}

// One holder at a time, whatever spelling of the folder's path each opened it by; the lock goes with
// the folder object. Another thread stands for another process (a Windows mutex is its thread's own).
TEST(PlatformFolder, OneHolderOfTheFoldersLockAtATime) {
  Scratch dir;
  std::string why;
  Folder first = open_folder(dir.path("."), why);
  ASSERT_TRUE(first.is_open()) << why;
  const Folder::Lock taken = first.lock(false);
  if (taken == Folder::Lock::unavailable) GTEST_SKIP() << "this file system cannot lock a folder";
  EXPECT_EQ(taken, Folder::Lock::held);
  std::vector<Folder::Lock> seen;
  auto other = [&] {
    Folder second = open_folder(dir.path("sub/.."), why);
    seen.push_back(second.lock(false));
  };
  fs::create_directory(dir.path("sub"));
  std::thread(other).join();
  first = Folder();
  std::thread(other).join();
  EXPECT_EQ(seen, (std::vector<Folder::Lock>{Folder::Lock::busy, Folder::Lock::held}));
}

#ifndef _WIN32
// Readers share their lock, which keeps the exclusive one out (Windows has the exclusive mutex only).
TEST(PlatformFolder, ReadersShareTheirLockAndKeepARunOut) {
  Scratch dir;
  std::string why;
  Folder reader = open_folder(dir.path("."), why);
  if (reader.lock(false, true) == Folder::Lock::unavailable) GTEST_SKIP() << "this file system cannot lock a folder";
  Folder other_reader = open_folder(dir.path("."), why), run = open_folder(dir.path("."), why);
  EXPECT_EQ(other_reader.lock(false, true), Folder::Lock::held);
  EXPECT_EQ(run.lock(false), Folder::Lock::busy);
  reader = Folder();
  other_reader = Folder();
  EXPECT_EQ(run.lock(false), Folder::Lock::held);
}
#endif

}  // namespace
}  // namespace laifit::platform
