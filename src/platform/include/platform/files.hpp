#pragma once
// What the record layer asks of the operating system: files of a run folder opened by name, their
// identity and kind, positional reads, writes, emptying, and the system's reason for a failure.
//
// One implementation per system (posix.cpp, windows.cpp); the build picks one. A failing call returns
// false (or a closed File) and puts the system's reason in `why`, worded as the Linux C library words
// it ("No such file or directory", "Is a directory", "Permission denied", ...).
//
// File names are bytes. On Windows they are taken as UTF-8, and as the ANSI code page when they are not
// valid UTF-8; a relative name is looked up in the folder, an absolute one as it is.
//
// A File or a Folder is the system's own, or backed by another implementation (FileBackend,
// FolderBackend: the inspector's folder in memory), with the same calls, wording and kinds of failure.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace laifit::platform {

// Which file a name leads to, whatever the spelling: device and inode number on POSIX systems, volume
// serial number and file index on Windows.
struct FileId {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  friend bool operator==(const FileId&, const FileId&) = default;
};

// Opens each of the standard input, output and error that is closed on the null device, so that no
// file the program opens later takes its place (and receives what is meant for the screen).
void open_closed_standard_files();

// How a file of a folder is opened.
enum class Mode {
  read,            // for reading; the file must exist
  read_or_create,  // for reading, created empty when absent
  write,           // for writing, created empty when absent, its contents kept
  write_emptied,   // for writing, created when absent and emptied at once
};

// The kind of a failure, beside its wording, for callers that act on it.
enum class Cause {
  other,
  not_found,      // "No such file or directory"
  is_folder,      // "Is a directory"
  not_folder,     // "Not a directory"
  permission,     // "Permission denied", "Read-only file system"
  invalid_name,   // "Invalid argument" (a NUL byte in a name)
  name_too_long,  // "File name too long"
  no_space,       // "No space left on device", "File too large"
  io,             // "Input/output error"
};

// The kind of a failure worded by this layer. Every system's causes are worded as Linux words them, so
// the wording names the kind; what this layer did not word is Cause::other.
Cause cause_of(std::string_view wording);

struct FileInfo {
  FileId id;
  bool regular = false;  // a regular file of a disk, not a folder, pipe or device
};

// An open file implemented otherwise than by the system: the calls of File below.
class FileBackend {
 public:
  virtual ~FileBackend() = default;
  virtual bool info(FileInfo& info, std::string& why) const = 0;
  virtual std::int64_t read_at(std::uint64_t offset, char* data, std::size_t size, std::string& why) const = 0;
  virtual bool write(std::string_view bytes, std::string& why) = 0;
  virtual bool truncate(std::string& why) = 0;
  virtual bool end_here(std::string& why) = 0;
};

// An open file, or standard output or error (not closed by this object). Move-only.
class File {
 public:
  File() = default;
  ~File() { close(); }
  File(File&& other) noexcept
      : handle_(other.handle_), owned_(other.owned_), backend_(std::move(other.backend_)), known_(other.known_) {
    other.handle_ = kNone;
    other.known_.reset();
  }
  File& operator=(File&& other) noexcept {
    if (this != &other) {
      close();
      handle_ = other.handle_;
      owned_ = other.owned_;
      backend_ = std::move(other.backend_);
      known_ = other.known_;
      other.handle_ = kNone;
      other.known_.reset();
    }
    return *this;
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  static File standard_output();
  static File standard_error();
  // Takes over a descriptor (POSIX) or a HANDLE (Windows) that the caller opened.
  static File adopt(std::intptr_t native) { return File(native, true); }
  // A file of another implementation.
  static File backed_by(std::unique_ptr<FileBackend> backend) {
    File f;
    f.backend_ = std::move(backend);
    return f;
  }

  bool is_open() const { return handle_ != kNone || backend_ != nullptr; }
  void close() {
    backend_.reset();
    known_.reset();
    close_native();
  }

  using Info = FileInfo;
  bool info(Info& info, std::string& why) const {
    return backend_ ? backend_->info(info, why) : native_info(info, why);
  }

  // Reads up to size bytes from offset on: the count read, 0 at the end of the file, -1 on failure.
  std::int64_t read_at(std::uint64_t offset, char* data, std::size_t size, std::string& why) const {
    return backend_ ? backend_->read_at(offset, data, size, why) : native_read_at(offset, data, size, why);
  }
  // Writes all of bytes at the current position.
  bool write(std::string_view bytes, std::string& why) {
    return backend_ ? backend_->write(bytes, why) : native_write(bytes, why);
  }
  // Empties a regular file, the next write going to its start; a pipe or a device, which has nothing
  // to empty, is left as it is.
  bool truncate(std::string& why) { return backend_ ? backend_->truncate(why) : native_truncate(why); }
  // Ends a regular file at the current position, dropping what lay beyond it; a pipe or a device is left
  // as it is. After writing from a file's start, this leaves the file as emptying it first would have,
  // without the file system's work on an emptied file (ext4 writes one back at its close).
  bool end_here(std::string& why) { return backend_ ? backend_->end_here(why) : native_end_here(why); }

 private:
  friend class Folder;                        // which records what the system said of a file it opened
  static constexpr std::intptr_t kNone = -1;  // also Windows' INVALID_HANDLE_VALUE
  File(std::intptr_t handle, bool owned) : handle_(handle), owned_(owned) {}

  void close_native();
  bool native_info(Info& info, std::string& why) const;
  std::int64_t native_read_at(std::uint64_t offset, char* data, std::size_t size, std::string& why) const;
  bool native_write(std::string_view bytes, std::string& why);
  bool native_truncate(std::string& why);
  bool native_end_here(std::string& why);

  std::intptr_t handle_ = kNone;
  bool owned_ = false;
  std::unique_ptr<FileBackend> backend_;
  // What the system said of the file when it was opened (its identity and kind do not change while it
  // is open), so that asking again costs no system call.
  std::optional<Info> known_;
};

// A folder implemented otherwise than by the system: the calls of Folder below.
class FolderBackend {
 public:
  virtual ~FolderBackend() = default;
  virtual File open_file(std::string_view name, Mode mode, std::string& why) = 0;
  virtual std::optional<FileId> identity(std::string_view name) const = 0;
};

// A folder in which files are opened by name. Move-only.
class Folder {
 public:
  Folder() = default;  // not open
  // The process's current directory; on failure the folder is not open and why says why.
  static Folder current(std::string& why);
  // The folder at path, its name given as bytes like a file name (UTF-8 on Windows);
  // platform/folder_path.hpp opens one from a std::filesystem::path.
  static Folder open(std::string_view path, std::string& why);
  // A folder of another implementation, shared by the Folder objects made from it.
  static Folder backed_by(std::shared_ptr<FolderBackend> backend) {
    Folder f;
    f.backend_ = std::move(backend);
    return f;
  }

  Folder(Folder&& other) noexcept;
  Folder& operator=(Folder&& other) noexcept;
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  ~Folder();

  bool is_open() const { return backend_ != nullptr || native_is_open(); }

  // Opens a file by name: a folder of that name fails with "Is a directory", a name holding a NUL
  // byte with "Invalid argument". A pipe or a device opens without waiting for its other end.
  File open_file(std::string_view name, Mode mode, std::string& why) const {
    return backend_ ? backend_->open_file(name, mode, why) : native_open_file(name, mode, why);
  }

  // The identity of an existing file of the folder, if any.
  std::optional<FileId> identity(std::string_view name) const {
    return backend_ ? backend_->identity(name) : native_identity(name);
  }

  // Whether a file of this name could be opened for writing without opening it: "" when it could (it
  // exists and may be written, or its folder lets it be created), the cause's wording otherwise. Asks the
  // system only (a folder of another implementation answers "").
  std::string writable(std::string_view name) const { return backend_ ? std::string() : native_writable(name); }

  // Takes the folder's exclusive lock, held until this object is destroyed: one process at a time
  // holds it, and taking it creates no file. busy: another process holds it (only when not waiting);
  // unavailable: the file system cannot lock this folder. shared: a lock that readers share, which
  // keeps out the exclusive one only (where the system has shared locks; the exclusive one elsewhere).
  enum class Lock { held, busy, unavailable };
  Lock lock(bool wait, bool shared = false);

 private:
  bool native_is_open() const;
  File native_open_file(std::string_view name, Mode mode, std::string& why) const;
  std::optional<FileId> native_identity(std::string_view name) const;
  std::string native_writable(std::string_view name) const;

  std::shared_ptr<FolderBackend> backend_;
  std::intptr_t handle_ = -1;  // POSIX: the folder's descriptor
  std::intptr_t lock_ = 0;     // Windows: the named mutex held for the folder, 0 when none
  std::wstring path_;          // Windows: the folder's absolute path, empty for the current directory
  bool open_ = false;
};

}  // namespace laifit::platform
