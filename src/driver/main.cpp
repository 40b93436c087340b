// laifit: fits the LAI growth curve to the observations of the run folder (the current directory).
// It takes no arguments and ignores any it is given.

#include <fcntl.h>
#include <unistd.h>

#include <exception>
#include <memory>
#include <string>

#include "driver/run.hpp"

namespace {

void write_all(int fd, const std::string& text) {
  std::string_view rest = text;
  while (!rest.empty()) {
    const ssize_t n = ::write(fd, rest.data(), rest.size());
    if (n <= 0) return;
    rest.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace

int main() {
  std::string error_text;
  int status = 2;
  try {
    const int dir = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
      error_text = "Error: cannot open the current directory\n";
    } else {
      status = laifit::run_laifit(dir, std::make_unique<laifit::FdSink>(STDOUT_FILENO, false, false), error_text);
      ::close(dir);
    }
  } catch (const std::exception& e) {
    // A fault of laifit itself, not of the run folder: said so, with a status of its own.
    error_text += std::string("laifit: internal error: ") + e.what() + "; please report it\n";
    status = laifit::kInternalErrorStatus;
  }
  write_all(STDERR_FILENO, error_text);
  return status;
}
