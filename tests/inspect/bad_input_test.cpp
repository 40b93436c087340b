// The catalogue of malformed inputs run through the inspector binary: it ends within the time limit with
// status 0, 1 or 2, warns whenever laifit itself stops, and leaves the folder exactly as it was.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "e2e/bad_inputs.hpp"
#include "folders.hpp"

namespace laifit::testing {
namespace {

TEST(InspectBadInput, EndsCleanlyWarnsWhenLaifitStopsAndWritesNothing) {
  for (const BadInput& c : bad_inputs()) {
    SCOPED_TRACE(c.what);
    auto inputs = example_inputs();
    c.change(inputs);
    RunFolder folder;
    for (const auto& [name, content] : inputs) folder.write(name, content);
    if (c.prepare) c.prepare(folder);
    const auto before = snapshot(folder.dir());
    const std::filesystem::path root = folder.dir().parent_path();
    const std::string out = c.screen_target.empty() ? (root / "inspect.out").string() : c.screen_target;
    const std::string command = "timeout 120 '" LAIFIT_INSPECT_BINARY "' '" + folder.dir().string() + "' > '" + out +
                                "' 2> '" + (root / "inspect.err").string() + "' < /dev/null";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw)) << "ended by a signal";
    const int status = WEXITSTATUS(raw);
    EXPECT_TRUE(status == 0 || status == 1 || status == 2) << "status " << status << "\n"
                                                           << slurp(root / "inspect.err");
    // A folder on which laifit stops gets a warning (the screen going to /dev/full is laifit's own matter).
    if (c.status == 2 && c.screen_target.empty()) {
      EXPECT_EQ(status, 1) << slurp(out);
    }
    EXPECT_TRUE(snapshot(folder.dir()) == before) << "the inspector changed the folder";
  }
}

}  // namespace
}  // namespace laifit::testing
