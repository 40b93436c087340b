// laifit: fits the LAI growth curve to the observations of the run folder (the current directory).
// It ignores its arguments, except "--help" or "--version" given alone: it then prints its usage or
// version and touches no file.

#include <cstddef>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "driver/run.hpp"
#include "driver/usage.hpp"
#include "platform/files.hpp"
#include "platform/memory.hpp"

namespace {

// What a run of a few hundred observations allocates beside its screen's block: its input and output
// channels' blocks, the observations and the estimator's arrays.
constexpr std::size_t kRunHeap = 320 * 1024;

// Two runs in one folder would read each other's working files: the second waits for the first.
void wait_for_the_folder(laifit::platform::Folder& folder) {
  using Lock = laifit::platform::Folder::Lock;
  if (folder.lock(false) != Lock::busy) return;  // held, or a file system that cannot lock
  std::string ignored;
  laifit::platform::File::standard_error().write("laifit: waiting for another run in this folder to end\n", ignored);
  folder.lock(true);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  if (const auto text = laifit::usage_request(args)) {
    std::string why;
    if (laifit::platform::File::standard_output().write(*text, why)) return 0;
    std::string ignored;
    laifit::platform::File::standard_error().write("laifit: cannot write the standard output: " + why + "\n", ignored);
    return 2;
  }
  std::string error_text;
  int status = 2;
  try {
    laifit::platform::open_closed_standard_files();
    std::string why;
    laifit::platform::Folder folder = laifit::platform::Folder::current(why);
    if (!folder.is_open()) {
      error_text = "Error: cannot open the current directory\n";
    } else {
      wait_for_the_folder(folder);
      laifit::platform::File out = laifit::platform::File::standard_output();
      laifit::platform::File::Info info;
      const bool regular = out.info(info, why) && info.regular;
      const std::size_t block = regular ? laifit::ByteSink::kFileScreenBlock : laifit::ByteSink::kDefaultBlock;
      // A folder without a run description fails at once, touching too little to map anything ahead.
      if (folder.identity("param.soj")) laifit::platform::prepare_memory(kRunHeap + block);
      auto screen = std::make_unique<laifit::FileSink>(std::move(out), false, block);
      status = laifit::run_laifit(folder, std::move(screen), error_text);
    }
  } catch (const std::exception& e) {
    // A fault of laifit itself, not of the run folder: said so, with a status of its own.
    error_text += std::string("laifit: internal error: ") + e.what() + "; please report it\n";
    status = laifit::kInternalErrorStatus;
  }
  std::string ignored;
  laifit::platform::File::standard_error().write(error_text, ignored);
  return status;
}
