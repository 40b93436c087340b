// The files of a run folder on Windows: handles of the Win32 API, read and written as bytes (no text
// mode anywhere, standard output and error included), identified by volume serial number and file index.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <filesystem>

#include "platform/files.hpp"
#include "windows_reason.hpp"

namespace laifit::platform {

namespace windows {

std::string reason(unsigned long error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME: return "No such file or directory";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_PRIVILEGE_NOT_HELD: return "Permission denied";
    case ERROR_WRITE_PROTECT: return "Read-only file system";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "No space left on device";
    case ERROR_FILE_TOO_LARGE: return "File too large";
    case ERROR_TOO_MANY_OPEN_FILES: return "Too many open files";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return "Cannot allocate memory";
    case ERROR_INVALID_HANDLE: return "Bad file descriptor";
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
    case ERROR_NO_UNICODE_TRANSLATION: return "Invalid argument";
    case ERROR_FILENAME_EXCED_RANGE: return "File name too long";
    case ERROR_DIRECTORY: return "Not a directory";
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA: return "Broken pipe";
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE: return "Input/output error";
    default: break;
  }
  // Any other cause: the system's own message, which may be in the user's language, and the number.
  std::string number = "Windows error " + std::to_string(error);
  char* text = nullptr;
  constexpr DWORD kFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  const DWORD n = FormatMessageA(kFlags, nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message(text != nullptr ? text : "", n);
  if (text != nullptr) LocalFree(text);
  while (!message.empty() &&
         (message.back() == '\r' || message.back() == '\n' || message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? number : message + " (" + number + ")";
}

}  // namespace windows

namespace {

HANDLE handle_of(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

bool failed(std::string& why, DWORD error = GetLastError()) {
  why = windows::reason(error);
  return false;
}

// A name's bytes as UTF-16: UTF-8 when they are valid UTF-8, the ANSI code page otherwise.
bool wide_name(std::string_view name, std::wstring& wide) {
  const int size = static_cast<int>(name.size());
  for (const UINT page : {static_cast<UINT>(CP_UTF8), static_cast<UINT>(CP_ACP)}) {
    const DWORD flags = page == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    const int n = MultiByteToWideChar(page, flags, name.data(), size, nullptr, 0);
    if (n <= 0) continue;
    wide.resize(static_cast<std::size_t>(n));
    if (MultiByteToWideChar(page, flags, name.data(), size, wide.data(), n) == n) return true;
  }
  return false;
}

bool is_absolute(const std::wstring& name) {
  return (!name.empty() && (name[0] == L'/' || name[0] == L'\\')) || (name.size() >= 2 && name[1] == L':');
}

bool is_folder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

void open_closed_standard_files() {
  for (const DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    const HANDLE h = GetStdHandle(which);
    if (h != nullptr && h != INVALID_HANDLE_VALUE) continue;
    const DWORD access = which == STD_INPUT_HANDLE ? GENERIC_READ : GENERIC_WRITE;
    const HANDLE null = CreateFileW(L"NUL", access, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    if (null != INVALID_HANDLE_VALUE) SetStdHandle(which, null);
  }
}

File File::standard_output() { return File(reinterpret_cast<std::intptr_t>(GetStdHandle(STD_OUTPUT_HANDLE)), false); }
File File::standard_error() { return File(reinterpret_cast<std::intptr_t>(GetStdHandle(STD_ERROR_HANDLE)), false); }

void File::close_native() {
  if (handle_ != kNone && owned_) CloseHandle(handle_of(handle_));
  handle_ = kNone;
}

bool File::native_info(Info& info, std::string& why) const {
  const HANDLE h = handle_of(handle_);
  SetLastError(NO_ERROR);
  const DWORD type = GetFileType(h);
  if (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR) return failed(why);
  info = Info{};
  if (type != FILE_TYPE_DISK) return true;  // a pipe, a console or another device
  BY_HANDLE_FILE_INFORMATION data;
  if (!GetFileInformationByHandle(h, &data)) return failed(why);
  info.id = FileId{data.dwVolumeSerialNumber, (std::uint64_t{data.nFileIndexHigh} << 32) | data.nFileIndexLow};
  info.regular = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  return true;
}

std::int64_t File::native_read_at(std::uint64_t offset, char* data, std::size_t size, std::string& why) const {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  if (!ReadFile(handle_of(handle_), data, want, &got, &at)) {
    const DWORD error = GetLastError();
    if (error == ERROR_HANDLE_EOF || error == ERROR_BROKEN_PIPE) return 0;
    failed(why, error);
    return -1;
  }
  return got;
}

bool File::native_write(std::string_view bytes, std::string& why) {
  while (!bytes.empty()) {
    DWORD put = 0;
    const DWORD n = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    if (!WriteFile(handle_of(handle_), bytes.data(), n, &put, nullptr)) return failed(why);
    if (put == 0) return failed(why, ERROR_WRITE_FAULT);
    bytes.remove_prefix(put);
  }
  return true;
}

bool File::native_truncate(std::string& why) {
  const HANDLE h = handle_of(handle_);
  if (GetFileType(h) != FILE_TYPE_DISK) return true;
  LARGE_INTEGER zero{};
  if (!SetFilePointerEx(h, zero, nullptr, FILE_BEGIN) || !SetEndOfFile(h)) return failed(why);
  return true;
}

bool File::native_end_here(std::string& why) {
  const HANDLE h = handle_of(handle_);
  if (GetFileType(h) != FILE_TYPE_DISK) return true;
  if (!SetEndOfFile(h)) return failed(why);
  return true;
}

// The current directory is kept as an empty path: names are then used as they are, relative to
// whatever the current directory is when a file is opened.
Folder Folder::current(std::string&) {
  Folder folder;
  folder.open_ = true;
  return folder;
}

Folder Folder::open(std::string_view path, std::string& why) {
  Folder folder;
  std::wstring wide;
  if (path.find('\0') != std::string_view::npos || !wide_name(path, wide)) {
    failed(why, ERROR_INVALID_NAME);
    return folder;
  }
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(wide), error);
  if (error) {
    why = error.message();
    return folder;
  }
  const DWORD attributes = GetFileAttributesW(absolute.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    failed(why);
    return folder;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    why = windows::reason(ERROR_DIRECTORY);
    return folder;
  }
  folder.path_ = absolute.native();
  folder.open_ = true;
  return folder;
}

Folder::Folder(Folder&& other) noexcept
    : backend_(std::move(other.backend_)),
      handle_(other.handle_),
      lock_(other.lock_),
      path_(std::move(other.path_)),
      open_(other.open_) {
  other.open_ = false;
  other.lock_ = 0;
}

namespace {

void release(std::intptr_t mutex) {
  if (mutex == 0) return;
  ReleaseMutex(handle_of(mutex));
  CloseHandle(handle_of(mutex));
}

}  // namespace

Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) {
    release(lock_);
    handle_ = other.handle_;
    lock_ = other.lock_;
    path_ = std::move(other.path_);
    open_ = other.open_;
    backend_ = std::move(other.backend_);
    other.open_ = false;
    other.lock_ = 0;
  }
  return *this;
}

Folder::~Folder() { release(lock_); }

bool Folder::native_is_open() const { return open_; }

namespace {

// The path that a name of the folder stands for; false when the name cannot name a file.
bool full_path(const std::wstring& folder, std::string_view name, std::wstring& path, std::string& why) {
  if (name.empty()) return failed(why, ERROR_FILE_NOT_FOUND);  // not the folder itself
  if (name.find('\0') != std::string_view::npos || !wide_name(name, path)) return failed(why, ERROR_INVALID_NAME);
  if (!folder.empty() && !is_absolute(path)) {
    std::wstring joined = folder;
    if (joined.back() != L'\\' && joined.back() != L'/') joined += L'\\';
    path = joined + path;
  }
  return true;
}

}  // namespace

File Folder::native_open_file(std::string_view name, Mode mode, std::string& why) const {
  std::wstring path;
  if (!full_path(path_, name, path, why)) return File();
  const bool reading = mode == Mode::read || mode == Mode::read_or_create;
  const DWORD access = reading ? GENERIC_READ : GENERIC_WRITE;
  const DWORD disposition = mode == Mode::read ? OPEN_EXISTING : OPEN_ALWAYS;
  const HANDLE h = CreateFileW(path.c_str(), access, kShareAll, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // A folder cannot be opened as a file: Windows calls that access denied.
    if (error == ERROR_ACCESS_DENIED && is_folder(path)) {
      why = "Is a directory";
    } else {
      failed(why, error);
    }
    return File();
  }
  File file = File::adopt(reinterpret_cast<std::intptr_t>(h));
  if (mode == Mode::write_emptied && !file.truncate(why)) return File();
  return file;
}

// A named mutex stands for the folder's lock: its name is made of the folder's volume serial number and
// file index, so that every spelling of the folder's path (and every link to it) gives the same one.
Folder::Lock Folder::lock(bool wait, bool) {
  if (backend_) return Lock::unavailable;  // a folder of another implementation has no system lock
  if (lock_ == 0) {
    const std::wstring path = path_.empty() ? std::wstring(L".") : path_;
    const HANDLE h =
        CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Lock::unavailable;
    BY_HANDLE_FILE_INFORMATION data;
    const bool known = GetFileInformationByHandle(h, &data) != 0;
    CloseHandle(h);
    if (!known) return Lock::unavailable;
    wchar_t id[64];
    swprintf(id, 64, L"laifit-folder-%08lx-%08lx%08lx", static_cast<unsigned long>(data.dwVolumeSerialNumber),
             static_cast<unsigned long>(data.nFileIndexHigh), static_cast<unsigned long>(data.nFileIndexLow));
    // Global, so that runs of every session meet; Local where this user may not name global objects.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, (std::wstring(L"Global\\") + id).c_str());
    if (mutex == nullptr) mutex = CreateMutexW(nullptr, FALSE, (std::wstring(L"Local\\") + id).c_str());
    if (mutex == nullptr) return Lock::unavailable;
    lock_ = reinterpret_cast<std::intptr_t>(mutex);
  }
  switch (WaitForSingleObject(handle_of(lock_), wait ? INFINITE : 0)) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:  // a run that ended without letting go: the mutex is this one's now
      return Lock::held;
    case WAIT_TIMEOUT: return Lock::busy;
    default: return Lock::unavailable;
  }
}

std::optional<FileId> Folder::native_identity(std::string_view name) const {
  std::wstring path;
  std::string why;
  if (!full_path(path_, name, path, why)) return std::nullopt;
  // No access asked for: only the file's information is read. Folders open too, as on POSIX systems.
  const HANDLE h = CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  File file = File::adopt(reinterpret_cast<std::intptr_t>(h));
  if (GetFileType(h) != FILE_TYPE_DISK) return std::nullopt;  // a pipe or a device: no file identity
  File::Info info;
  if (!file.info(info, why)) return std::nullopt;
  return info.id;
}

std::string Folder::native_writable(std::string_view name) const {
  std::wstring path;
  std::string why;
  if (!full_path(path_, name, path, why)) return why;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return "Is a directory";
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return windows::reason(ERROR_ACCESS_DENIED);
    return "";
  }
  const DWORD error = GetLastError();
  if (error != ERROR_FILE_NOT_FOUND) return windows::reason(error);
  // A new file: its folder must exist.
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty() && !is_folder(parent.native())) return windows::reason(ERROR_PATH_NOT_FOUND);
  return "";
}

}  // namespace laifit::platform
