#include "records/units.hpp"

#include "check/check.hpp"
#include "records/failure.hpp"

namespace laifit {

struct Units::Open {
  FileId id;
  std::string name;
  std::unique_ptr<OutputChannel> output;
  std::unique_ptr<InputChannel> input;
  platform::File untouched;
};

Units::Units(const platform::Folder& folder, std::unique_ptr<ByteSink> screen)
    : folder_(folder), screen_(kScreen, "stdout", std::move(screen)) {}

Units::~Units() = default;

std::optional<FileId> Units::identity(std::string_view name) const { return folder_.identity(name); }

platform::File Units::open_file(int unit, std::string_view name, platform::Mode mode, Where where) {
  const std::string path(name);
  auto fail = [&](const std::string& why, FailureKind kind) {
    throw RunFailure(where, unit, path, "Cannot open file '" + path + "': " + why, kind);
  };

  // A file may be connected to one unit only, whatever name it is opened by.
  if (const auto id = identity(path)) {
    for (const auto& [u, open] : open_) {
      if (u != unit && open->id == *id) throw RunFailure(where, unit, path, "File already opened in another unit", FailureKind::already_open);
    }
  }
  close(unit, where);

  // Only regular files: a pipe or a device could block the run or feed it without end.
  std::string why;
  platform::File file = folder_.open_file(path, mode, why);
  if (!file.is_open()) fail(why, failure_kind(platform::cause_of(why)));
  platform::File::Info info;
  if (!file.info(info, why)) fail(why, failure_kind(platform::cause_of(why)));
  if (!info.regular) fail("not a regular file", FailureKind::not_regular);
  auto open = std::make_unique<Open>();
  open->id = info.id;
  open->name = path;
  open_[unit] = std::move(open);
  return file;
}

OutputChannel& Units::open_output(int unit, std::string_view name, Empty empty, Where where) {
  const auto mode = empty == Empty::at_open ? platform::Mode::write_emptied : platform::Mode::write;
  platform::File file = open_file(unit, name, mode, where);
  Open& open = *open_[unit];
  open.output = std::make_unique<OutputChannel>(
      unit, open.name, std::make_unique<FileSink>(std::move(file), empty == Empty::at_first_write));
  return *open.output;
}

InputChannel& Units::open_input(int unit, std::string_view name, Where where) {
  // An input file that does not exist is refused: creating it would turn a misspelt name into an
  // empty input and leave a stray file behind.
  platform::File file = open_file(unit, name, platform::Mode::read, where);
  Open& open = *open_[unit];
  open.input = std::make_unique<InputChannel>(unit, open.name, std::move(file));
  open.input->observe(read_observer_);
  return *open.input;
}

void Units::open_untouched(int unit, std::string_view name, Where where) {
  open_[unit]->untouched = open_file(unit, name, platform::Mode::read_or_create, where);
}

OutputChannel& Units::output(int unit) {
  if (unit == kScreen) return screen_;
  const auto it = open_.find(unit);
  LAIFIT_CHECK(it != open_.end() && it->second->output, "unit " + std::to_string(unit) + " not open for writing");
  return *it->second->output;
}

InputChannel& Units::input(int unit) {
  const auto it = open_.find(unit);
  LAIFIT_CHECK(it != open_.end() && it->second->input, "unit " + std::to_string(unit) + " not open for reading");
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
