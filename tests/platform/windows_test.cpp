// What only the Windows implementation does: the wording of Windows error codes and file names taken
// as UTF-8 (or the ANSI code page).

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "platform/files.hpp"
#include "platform/folder_path.hpp"
#include "support/scratch.hpp"
#include "windows_reason.hpp"

namespace laifit::platform {
namespace {

TEST(WindowsReason, CommonCausesAreWordedAsOnLinux) {
  struct Case {
    unsigned long error;
    const char* reason;
  };
  const Case cases[] = {
      {ERROR_FILE_NOT_FOUND, "No such file or directory"},
      {ERROR_PATH_NOT_FOUND, "No such file or directory"},
      {ERROR_INVALID_DRIVE, "No such file or directory"},
      {ERROR_ACCESS_DENIED, "Permission denied"},
      {ERROR_SHARING_VIOLATION, "Permission denied"},
      {ERROR_WRITE_PROTECT, "Read-only file system"},
      {ERROR_DISK_FULL, "No space left on device"},
      {ERROR_HANDLE_DISK_FULL, "No space left on device"},
      {ERROR_INVALID_NAME, "Invalid argument"},
      {ERROR_FILENAME_EXCED_RANGE, "File name too long"},
      {ERROR_TOO_MANY_OPEN_FILES, "Too many open files"},
      {ERROR_INVALID_HANDLE, "Bad file descriptor"},
      {ERROR_BROKEN_PIPE, "Broken pipe"},
      {ERROR_DIRECTORY, "Not a directory"},
  };
  for (const Case& c : cases) EXPECT_EQ(windows::reason(c.error), c.reason) << c.error;
  // Any other code keeps its number, with the system's message when it has one.
  const std::string other = windows::reason(ERROR_NOT_SUPPORTED);
  EXPECT_NE(other.find("Windows error 50"), std::string::npos) << other;
  EXPECT_EQ(other.find('\n'), std::string::npos) << other;
}

TEST(WindowsNames, AreUtf8OrElseTheAnsiCodePage) {
  const std::filesystem::path root = testing::make_scratch_folder("laifit-windows");
  std::string why;
  {
    const Folder folder = open_folder(root, why);
    ASSERT_TRUE(folder.is_open()) << why;
    // "\xC3\xA9" is e acute in UTF-8: the file gets that one character in its name.
    ASSERT_TRUE(folder.open_file("caf\xC3\xA9.txt", Mode::write, why).is_open()) << why;
    EXPECT_TRUE(std::filesystem::exists(root / L"caf\u00E9.txt"));
    EXPECT_TRUE(folder.identity("caf\xC3\xA9.txt").has_value());
    // "\xE9" alone is no UTF-8: in code page 1252 it is the same e acute.
    if (GetACP() == 1252) {
      EXPECT_EQ(folder.identity("caf\xE9.txt"), folder.identity("caf\xC3\xA9.txt"));
    }
    // Folders and upper case: Windows names are case-insensitive, and so is the identity check.
    EXPECT_EQ(folder.identity("CAF\xC3\xA9.TXT"), folder.identity("caf\xC3\xA9.txt"));
  }
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
}

}  // namespace
}  // namespace laifit::platform
