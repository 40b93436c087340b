#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <stdexcept>
#include <string>

#include "process.hpp"

namespace laifit::testing {
namespace {

// A handle that the child inherits.
HANDLE inheritable(const std::wstring& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

int run_program(const std::filesystem::path& program, const std::filesystem::path& folder,
                const std::filesystem::path& out, const std::filesystem::path& err,
                const std::vector<std::string>& args, Closed closed) {
  const HANDLE in_h = inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
  const HANDLE out_h = inheritable(out.native(), GENERIC_WRITE, CREATE_ALWAYS);
  const HANDLE err_h = inheritable(err.native(), GENERIC_WRITE, CREATE_ALWAYS);
  int status = -1;
  if (in_h != INVALID_HANDLE_VALUE && out_h != INVALID_HANDLE_VALUE && err_h != INVALID_HANDLE_VALUE) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = closed.in ? nullptr : in_h;
    startup.hStdOutput = closed.out ? nullptr : out_h;
    startup.hStdError = closed.err ? nullptr : err_h;
    PROCESS_INFORMATION process{};
    // The tests' arguments hold no quote or backslash: each is quoted as it is.
    std::wstring command = L"\"" + program.native() + L"\"";
    for (const std::string& arg : args) command += L" \"" + std::filesystem::path(arg).native() + L"\"";
    if (CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &startup,
                       &process)) {
      WaitForSingleObject(process.hProcess, INFINITE);
      DWORD code = 0;
      if (GetExitCodeProcess(process.hProcess, &code)) status = static_cast<int>(code);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
  }
  for (const HANDLE h : {in_h, out_h, err_h}) {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  return status;
}

Pipe make_pipe() {
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, nullptr, 0)) throw std::runtime_error("CreatePipe failed");
  return {reinterpret_cast<std::intptr_t>(read_end), reinterpret_cast<std::intptr_t>(write_end)};
}

std::string drain_pipe(std::intptr_t read_end, std::size_t max) {
  std::string bytes(max, '\0');
  DWORD n = 0;
  const HANDLE h = reinterpret_cast<HANDLE>(read_end);
  if (!ReadFile(h, bytes.data(), static_cast<DWORD>(max), &n, nullptr)) n = 0;
  CloseHandle(h);
  bytes.resize(n);
  return bytes;
}

}  // namespace laifit::testing
