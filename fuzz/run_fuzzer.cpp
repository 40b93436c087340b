// Whole runs in process: the fuzz input is a run folder (run_input.hpp), laifit runs in it, and the run
// must end by exit status 0 or 2. A crash, a sanitizer report, an exception escaping the run, a hang or
// an allocation beyond the fuzzer's limit is a fault.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

#include "driver/run.hpp"
#include "records/output.hpp"
#include "run_input.hpp"

using namespace laifit::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Scratch& folder = scratch();
  folder.write_sections(std::string_view(reinterpret_cast<const char*>(data), size));

  const std::size_t descriptors = open_descriptors();
  std::string errors;
  int status = -1;
  try {
    status = laifit::run_laifit(folder.folder(), std::make_unique<laifit::NullSink>(), errors);
  } catch (const std::exception& e) {
    fail(std::string("exception escaped the run: ") + e.what());
  } catch (...) {
    fail("a non-standard exception escaped the run");
  }
  if (status != 0 && status != 2) fail("exit status " + std::to_string(status));
  // Every file the run opened is closed again, whichever way it ended.
  if (open_descriptors() != descriptors) fail("the run left a file descriptor open");
  return 0;
}
