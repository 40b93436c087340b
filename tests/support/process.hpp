#pragma once
// Starts a program and waits for it, the way a shell would run it from a folder with redirections.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace laifit::testing {

// Which standard files the program starts without (closed descriptors, or no handles on Windows).
struct Closed {
  bool in = false;
  bool out = false;
  bool err = false;
};

// Runs program with the arguments args (none by default) in folder, standard input empty, standard output
// and error going to the files out and err (created or emptied), without the standard files of closed;
// returns its exit status, or -1 when it did not exit by itself (a signal) or could not be started.
int run_program(const std::filesystem::path& program, const std::filesystem::path& folder,
                const std::filesystem::path& out, const std::filesystem::path& err,
                const std::vector<std::string>& args = {}, Closed closed = {});

// A pipe's two ends as native handles (descriptors on POSIX systems, HANDLEs on Windows).
struct Pipe {
  std::intptr_t read_end;
  std::intptr_t write_end;
};
Pipe make_pipe();
// Reads at most max bytes that are waiting in the pipe, then closes its read end.
std::string drain_pipe(std::intptr_t read_end, std::size_t max);

}  // namespace laifit::testing
