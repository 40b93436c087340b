// laifit: fits the LAI growth curve to the observations of the run folder (the current directory).
// It takes no arguments and ignores any it is given.

#include <exception>
#include <memory>
#include <string>

#include "driver/run.hpp"
#include "platform/files.hpp"

namespace {

// Two runs in one folder would read each other's working files: the second waits for the first.
void wait_for_the_folder(laifit::platform::Folder& folder) {
  using Lock = laifit::platform::Folder::Lock;
  if (folder.lock(false) != Lock::busy) return;  // held, or a file system that cannot lock
  std::string ignored;
  laifit::platform::File::standard_error().write("laifit: waiting for another run in this folder to end\n", ignored);
  folder.lock(true);
}

}  // namespace

int main() {
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
      auto screen = std::make_unique<laifit::FileSink>(laifit::platform::File::standard_output(), false);
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
