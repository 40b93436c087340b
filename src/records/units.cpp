#include "records/units.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "records/failure.hpp"

namespace laifit {

struct Units::Open {
  FileId id;
  std::string name;
  std::unique_ptr<OutputChannel> output;
  std::unique_ptr<InputChannel> input;
  int untouched_fd = -1;

  ~Open() {
    if (untouched_fd >= 0) ::close(untouched_fd);
  }
};

Units::Units(int dir_fd, std::unique_ptr<ByteSink> screen)
    : dir_fd_(dir_fd), screen_(kScreen, "stdout", std::move(screen)) {}

Units::~Units() = default;

std::optional<FileId> Units::identity(std::string_view name) const {
  if (name.find('\0') != std::string_view::npos) return std::nullopt;
  struct stat st {};
  if (::fstatat(dir_fd_, std::string(name).c_str(), &st, 0) != 0) return std::nullopt;
  return FileId{st.st_dev, st.st_ino};
}

int Units::open_file(int unit, std::string_view name, int flags, Where where) {
  const std::string path(name);
  auto fail = [&](const std::string& why) -> int {
    throw RunFailure(where, unit, path, "Cannot open file '" + path + "': " + why);
  };
  if (path.find('\0') != std::string::npos) fail(std::strerror(EINVAL));

  // A file may be connected to one unit only, whatever name it is opened by.
  if (const auto id = identity(path)) {
    for (const auto& [u, open] : open_) {
      if (u != unit && open->id == *id) throw RunFailure(where, unit, path, "File already opened in another unit");
    }
  }
  close(unit, where);

  // Only regular files: a pipe or a device could block the run or feed it without end. Opening
  // without blocking lets a pipe be recognised instead of waiting for its other end.
  const int fd = ::openat(dir_fd_, path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) fail(std::strerror(errno));
  struct stat st {};
  const int e = ::fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
  if (e != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    fail(e != 0 ? std::strerror(e) : "not a regular file");
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  auto open = std::make_unique<Open>();
  open->id = FileId{st.st_dev, st.st_ino};
  open->name = path;
  open_[unit] = std::move(open);
  return fd;
}

OutputChannel& Units::open_output(int unit, std::string_view name, Empty empty, Where where) {
  const int fd = open_file(unit, name, O_WRONLY | O_CREAT | (empty == Empty::at_open ? O_TRUNC : 0), where);
  Open& open = *open_[unit];
  open.output = std::make_unique<OutputChannel>(unit, open.name,
                                                std::make_unique<FdSink>(fd, true, empty == Empty::at_first_write));
  return *open.output;
}

InputChannel& Units::open_input(int unit, std::string_view name, Where where) {
  // An input file that does not exist is refused: creating it would turn a misspelt name into an
  // empty input and leave a stray file behind.
  const int fd = open_file(unit, name, O_RDONLY, where);
  Open& open = *open_[unit];
  open.input = std::make_unique<InputChannel>(unit, open.name, fd);
  open.input->observe(read_observer_);
  return *open.input;
}

void Units::open_untouched(int unit, std::string_view name, Where where) {
  const int fd = open_file(unit, name, O_RDONLY | O_CREAT, where);
  open_[unit]->untouched_fd = fd;
}

OutputChannel& Units::output(int unit) {
  if (unit == kScreen) return screen_;
  const auto it = open_.find(unit);
  if (it == open_.end() || !it->second->output) throw std::logic_error("unit not open for writing");
  return *it->second->output;
}

InputChannel& Units::input(int unit) {
  const auto it = open_.find(unit);
  if (it == open_.end() || !it->second->input) throw std::logic_error("unit not open for reading");
  return *it->second->input;
}

void Units::close(int unit, Where where) {
  if (unit == kScreen) {
    screen_.flush(where);
    return;
  }
  const auto it = open_.find(unit);
  if (it == open_.end()) return;
  std::unique_ptr<Open> open = std::move(it->second);
  open_.erase(it);
  if (open->output) open->output->flush(where);
}

void Units::flush_all(Where where) {
  std::optional<RunFailure> first;
  auto flush = [&](OutputChannel& channel) {
    try {
      channel.flush(where);
    } catch (const RunFailure& failure) {
      if (!first) first = failure;
    }
  };
  for (auto& [unit, open] : open_) {
    if (open->output) flush(*open->output);
  }
  flush(screen_);
  if (first) throw *first;
}

}  // namespace laifit
