// peak_memory RESULT PROGRAM: runs PROGRAM in the current directory with this program's standard streams,
// writes its peak resident memory in KiB to the file RESULT and exits with its status. A process's peak
// counts the memory of the one it was started from, so a test measures through this small program
// rather than starting laifit from its own, larger, process.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

extern char** environ;

int main(int argc, char** argv) {
  if (argc != 3) return 125;
  pid_t pid = 0;
  char* child_argv[] = {argv[2], nullptr};
  if (posix_spawn(&pid, argv[2], nullptr, nullptr, child_argv, environ) != 0) return 126;
  int status = 0;
  rusage use{};
  if (::wait4(pid, &status, 0, &use) != pid || !WIFEXITED(status)) return 124;
  std::FILE* result = std::fopen(argv[1], "w");
  if (result == nullptr || std::fprintf(result, "%ld\n", use.ru_maxrss) < 0 || std::fclose(result) != 0) return 123;
  return WEXITSTATUS(status);
}
