// The catalogue of malformed inputs run through the inspector binary: it ends within the time limit with
// status 0, 1 or 2, warns whenever laifit itself stops, and leaves the folder exactly as it was.

#include <gtest/gtest.h>

#include "e2e/bad_inputs.hpp"
#include "folders.hpp"
#include "support/process.hpp"

namespace laifit::testing {
namespace {

TEST(InspectBadInput, EndsCleanlyWarnsWhenLaifitStopsAndWritesNothing) {
#ifndef _WIN32
  // Nothing in the temporary directory either: the refit is held in memory.
  RunFolder temporary;
  ::setenv("TMPDIR", temporary.dir().c_str(), 1);
#endif
  for (const BadInput& c : bad_inputs()) {
    SCOPED_TRACE(c.what);
    RunFolder folder;
    write_inputs(folder, c);
    const auto before = snapshot(folder.dir());
    const std::filesystem::path root = folder.dir().parent_path();
    // Run in the folder without arguments: the inspector looks at the current directory.
    const int status = run_program(LAIFIT_INSPECT_BINARY, folder.dir(), root / "inspect.out", root / "inspect.err");
    EXPECT_TRUE(status == 0 || status == 1 || status == 2) << "status " << status << "\n"
                                                           << slurp(root / "inspect.err");
    // A folder on which laifit stops gets a warning.
    if (c.status == 2) {
      EXPECT_EQ(status, 1) << slurp(root / "inspect.out");
    }
    EXPECT_TRUE(snapshot(folder.dir()) == before) << "the inspector changed the folder";
  }
#ifndef _WIN32
  EXPECT_TRUE(std::filesystem::is_empty(temporary.dir())) << "the inspector left files in the temporary directory";
#endif
}

}  // namespace
}  // namespace laifit::testing
