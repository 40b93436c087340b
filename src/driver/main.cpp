// laifit: fits the LAI growth curve to the observations of the run folder (the current directory).
// It takes no arguments and ignores any it is given.

#include <exception>
#include <memory>
#include <string>

#include "driver/run.hpp"
#include "platform/files.hpp"

int main() {
  std::string error_text;
  int status = 2;
  try {
    std::string why;
    const laifit::platform::Folder folder = laifit::platform::Folder::current(why);
    if (!folder.is_open()) {
      error_text = "Error: cannot open the current directory\n";
    } else {
      laifit::platform::File out = laifit::platform::File::standard_output();
      laifit::platform::File::Info info;
      const bool regular = out.info(info, why) && info.regular;
      auto screen = std::make_unique<laifit::FileSink>(
          std::move(out), false, regular ? laifit::ByteSink::kFileScreenBlock : laifit::ByteSink::kDefaultBlock);
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
