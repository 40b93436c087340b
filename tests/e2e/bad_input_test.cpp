// A catalogue of malformed inputs run through the real binary: each ends by one of laifit's documented exit
// paths with its message, and never changes an input file.

#include <gtest/gtest.h>

#include "e2e/bad_inputs.hpp"

namespace laifit::testing {
namespace {

// Runs one bad input: exit status, standard error, screen, and every input file unchanged.
void check(const BadInput& c) {
  SCOPED_TRACE(c.what);
  RunFolder folder;
  write_inputs(folder, c);
  const auto before = folder.files();
  const auto result = folder.run(c.screen_target);
  EXPECT_EQ(result.status, c.status);
  EXPECT_TRUE(errors_as_expected(result.errors, c.errors)) << result.errors;
  if (!c.screen.empty()) {
    EXPECT_NE(result.screen.find(c.screen), std::string::npos) << result.screen.substr(0, 300);
  }
  const auto after = folder.files();
  for (const auto& [name, content] : before) {
    ASSERT_TRUE(after.count(name)) << name;
    EXPECT_TRUE(after.at(name) == content) << name << " changed";
  }
}

TEST(BadInput, EndsByADocumentedPathAndLeavesTheInputsAlone) {
  for (const BadInput& c : bad_inputs()) check(c);
}

TEST(BadInput, PipesAndFullDevicesEndTheRun) {
  const auto cases = posix_bad_inputs();
  if (cases.empty()) GTEST_SKIP() << "needs a FIFO (mkfifo) and /dev/full, which Windows does not have";
  for (const BadInput& c : cases) check(c);
}

}  // namespace
}  // namespace laifit::testing
