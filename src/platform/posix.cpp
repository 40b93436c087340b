// The files of a run folder on a POSIX system: descriptors opened relative to the folder's own.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/files.hpp"

namespace laifit::platform {
namespace {

int fd_of(std::intptr_t handle) { return static_cast<int>(handle); }

// strerror_r comes in two forms, the GNU one returning the text and the XSI one filling the buffer;
// unlike strerror, both may be called from several threads at once.
[[maybe_unused]] const char* text_of(int result, const char* buffer) { return result == 0 ? buffer : "Unknown error"; }
[[maybe_unused]] const char* text_of(const char* result, const char*) { return result; }

std::string reason(int error) {
  char buffer[256] = {};
  return text_of(strerror_r(error, buffer, sizeof buffer), buffer);
}

bool failed(std::string& why, int error = errno) {
  why = reason(error);
  return false;
}

}  // namespace

void open_closed_standard_files() {
  for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor is this one, the lower ones being open already.
    const int null = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (null >= 0 && null != fd) {
      ::dup2(null, fd);
      ::close(null);
    }
  }
}

File File::standard_output() { return File(STDOUT_FILENO, false); }
File File::standard_error() { return File(STDERR_FILENO, false); }

void File::close_native() {
  if (handle_ != kNone && owned_) ::close(fd_of(handle_));
  handle_ = kNone;
}

bool File::native_info(Info& info, std::string& why) const {
  if (known_) {
    info = *known_;
    return true;
  }
  struct stat st {};
  if (::fstat(fd_of(handle_), &st) != 0) return failed(why);
  info.id = FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  info.regular = S_ISREG(st.st_mode);
  return true;
}

std::int64_t File::native_read_at(std::uint64_t offset, char* data, std::size_t size, std::string& why) const {
  while (true) {
    const ssize_t got = ::pread(fd_of(handle_), data, size, static_cast<off_t>(offset));
    if (got >= 0) return got;
    if (errno != EINTR) {
      failed(why);
      return -1;
    }
  }
}

bool File::native_write(std::string_view bytes, std::string& why) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_of(handle_), bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return failed(why);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool File::native_truncate(std::string& why) {
  if (::ftruncate(fd_of(handle_), 0) != 0) {
    // A pipe or a device answers EINVAL: there is nothing to empty.
    return errno == EINVAL || failed(why);
  }
  if (::lseek(fd_of(handle_), 0, SEEK_SET) < 0) return failed(why);
  return true;
}

bool File::native_end_here(std::string& why) {
  const off_t here = ::lseek(fd_of(handle_), 0, SEEK_CUR);
  if (here < 0) return errno == ESPIPE || failed(why);
  if (::ftruncate(fd_of(handle_), here) != 0) return errno == EINVAL || failed(why);
  return true;
}

Folder Folder::current(std::string& why) { return open(".", why); }

Folder Folder::open(std::string_view path, std::string& why) {
  Folder folder;
  if (path.find('\0') != std::string_view::npos) {
    errno = EINVAL;
    failed(why);
    return folder;
  }
  const std::string name(path);
  const int fd = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    failed(why);
    return folder;
  }
  folder.handle_ = fd;
  folder.open_ = true;
  return folder;
}

Folder::Folder(Folder&& other) noexcept
    : backend_(std::move(other.backend_)), handle_(other.handle_), path_(std::move(other.path_)), open_(other.open_) {
  other.handle_ = -1;
  other.open_ = false;
}

Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) {
    if (open_) ::close(fd_of(handle_));
    handle_ = other.handle_;
    path_ = std::move(other.path_);
    open_ = other.open_;
    backend_ = std::move(other.backend_);
    other.handle_ = -1;
    other.open_ = false;
  }
  return *this;
}

Folder::~Folder() {
  if (open_) ::close(fd_of(handle_));
}

bool Folder::native_is_open() const { return open_; }

File Folder::native_open_file(std::string_view name, Mode mode, std::string& why) const {
  if (name.find('\0') != std::string_view::npos) {
    failed(why, EINVAL);
    return File();
  }
  int flags = O_RDONLY;
  switch (mode) {
    case Mode::read: break;
    case Mode::read_or_create: flags = O_RDONLY | O_CREAT; break;
    case Mode::write: flags = O_WRONLY | O_CREAT; break;
    case Mode::write_emptied: flags = O_WRONLY | O_CREAT | O_TRUNC; break;
  }
  // Opening without blocking lets a pipe be recognised instead of waiting for its other end; the
  // descriptor blocks again once open.
  const int fd = ::openat(fd_of(handle_), std::string(name).c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) {
    failed(why);
    return File();
  }
  File file = File::adopt(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    failed(why);
    return File();
  }
  if (S_ISDIR(st.st_mode)) {
    failed(why, EISDIR);
    return File();
  }
  file.known_ = FileInfo{FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)},
                         S_ISREG(st.st_mode)};
  // A regular file's reads and writes never wait, whatever the flag.
  if (!S_ISREG(st.st_mode)) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return file;
}

// flock, unlike fcntl's locks, works on a folder's descriptor, also one of a read-only folder; the
// lock goes with the descriptor.
Folder::Lock Folder::lock(bool wait, bool shared) {
  if (backend_) return Lock::unavailable;  // a folder of another implementation has no system lock
  while (::flock(fd_of(handle_), (shared ? LOCK_SH : LOCK_EX) | (wait ? 0 : LOCK_NB)) != 0) {
    if (errno == EINTR) continue;
    return errno == EWOULDBLOCK ? Lock::busy : Lock::unavailable;
  }
  return Lock::held;
}

std::optional<FileId> Folder::native_identity(std::string_view name) const {
  if (name.find('\0') != std::string_view::npos) return std::nullopt;
  struct stat st {};
  if (::fstatat(fd_of(handle_), std::string(name).c_str(), &st, 0) != 0) return std::nullopt;
  return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

std::string Folder::native_writable(std::string_view name) const {
  std::string why;
  if (name.find('\0') != std::string_view::npos) {
    failed(why, EINVAL);
    return why;
  }
  const std::string path(name);
  struct stat st {};
  if (::fstatat(fd_of(handle_), path.c_str(), &st, 0) == 0) {
    if (S_ISDIR(st.st_mode)) return reason(EISDIR);
    if (::faccessat(fd_of(handle_), path.c_str(), W_OK, AT_EACCESS) != 0) failed(why);
    return why;
  }
  if (errno != ENOENT) {
    failed(why);
    return why;
  }
  // A new file: its folder must exist and take new entries.
  const std::size_t slash = path.find_last_of('/');
  const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  if (::faccessat(fd_of(handle_), parent.c_str(), W_OK | X_OK, AT_EACCESS) != 0) failed(why);
  return why;
}

}  // namespace laifit::platform
