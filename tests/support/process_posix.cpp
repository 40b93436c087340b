#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "process.hpp"

namespace laifit::testing {

int run_program(const std::filesystem::path& program, const std::filesystem::path& folder,
                const std::filesystem::path& out, const std::filesystem::path& err,
                const std::vector<std::string>& args, Closed closed) {
  // The argument vector is built before fork: the child may not allocate.
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    // Only async-signal-safe calls between fork and exec; 127 tells that the program did not start.
    const int in_fd = ::open("/dev/null", O_RDONLY);
    const int out_fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err_fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in_fd < 0 || out_fd < 0 || err_fd < 0 || ::dup2(in_fd, 0) < 0 || ::dup2(out_fd, 1) < 0 ||
        ::dup2(err_fd, 2) < 0 || ::chdir(folder.c_str()) != 0) {
      ::_exit(127);
    }
    if (closed.in) ::close(0);
    if (closed.out) ::close(1);
    if (closed.err) ::close(2);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  int status = 0;
  pid_t waited = 0;
  while ((waited = ::waitpid(child, &status, 0)) < 0 && errno == EINTR) {
  }
  return waited == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Pipe make_pipe() {
  int ends[2];
  if (::pipe(ends) != 0) throw std::runtime_error("pipe failed");
  return {ends[0], ends[1]};
}

std::string drain_pipe(std::intptr_t read_end, std::size_t max) {
  std::string bytes(max, '\0');
  const ssize_t n = ::read(static_cast<int>(read_end), bytes.data(), max);
  ::close(static_cast<int>(read_end));
  bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return bytes;
}

}  // namespace laifit::testing
