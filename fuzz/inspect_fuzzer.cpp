// Whole inspections in process: the fuzz input is a run folder (run_input.hpp), and laifit-inspect looks
// at it, its CSV and SVG going to a folder of their own. It must end with status 0, 1 or 2, close every
// file it opened, and leave the run folder as it was written: the same files, unchanged, and nothing
// more. A crash, a sanitizer report, an exception escaping, a hang or an allocation beyond the fuzzer's
// limit is a fault.

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>

#include "inspect/inspect.hpp"
#include "run_input.hpp"

using namespace laifit::fuzz;

namespace {

// The folder of the CSV and the SVG: made once, beside the scratch run folder.
const std::filesystem::path& outputs() {
  static const std::filesystem::path dir = [] {
    std::string pattern = (scratch().path().parent_path() / "laifit-inspect-out-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) fail("mkdtemp failed");
    return std::filesystem::path(pattern);
  }();
  return dir;
}

std::map<std::string, std::string> folder_files(const std::filesystem::path& dir) {
  std::map<std::string, std::string> all;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(e.path(), std::ios::binary);
    all[e.path().filename().string()] =
        e.is_regular_file() ? std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) : "/";
  }
  return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const Scratch& folder = scratch();
  folder.write_sections(input);
  const auto written = folder_files(folder.path());

  const std::size_t descriptors = open_descriptors();
  laifit::inspect::Options options;
  options.folder = folder.path();
  options.csv = outputs() / "fit.csv";
  options.svg = outputs() / "fit.svg";
  int status = -1;
  try {
    status = laifit::inspect::inspect(options).status;
  } catch (const std::exception& e) {
    fail(std::string("exception escaped the inspection: ") + e.what());
  } catch (...) {
    fail("a non-standard exception escaped the inspection");
  }
  if (status < 0 || status > 2) fail("exit status " + std::to_string(status));
  if (open_descriptors() != descriptors) fail("the inspection left a file descriptor open");
  if (folder_files(folder.path()) != written) fail("the inspection changed the run folder");
  return 0;
}
