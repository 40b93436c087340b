#include "records/units.hpp"

#include <algorithm>

#include "check/check.hpp"
#include "records/failure.hpp"

namespace laifit {

struct Units::Open {
  std::optional<FileId> id;  // none while a held channel's file is not open
  std::string name;
  std::unique_ptr<OutputChannel> output;
  std::unique_ptr<InputChannel> input;
  platform::File untouched;
  HeldSink* held = nullptr;  // the sink of a held channel, owned by its output
};

Units::Units(const platform::Folder& folder, std::unique_ptr<ByteSink> screen)
    : folder_(folder), screen_(kScreen, "stdout", std::move(screen)) {}

Units::~Units() = default;

std::optional<FileId> Units::identity(std::string_view name) const { return folder_.identity(name); }

// A file may be connected to one unit only, whatever name it is opened by.
void Units::refuse_if_open_elsewhere(int unit, const std::string& path, Where where) const {
  const bool others =
      std::any_of(open_.begin(), open_.end(), [&](const auto& u) { return u.first != unit && u.second->id; });
  if (!others) return;  // nothing to compare with: the file's identity is not asked for
  if (const auto id = identity(path)) {
    for (const auto& [u, open] : open_) {
      if (u != unit && open->id == id)
        throw RunFailure(where, unit, path, "File already opened in another unit", FailureKind::already_open);
    }
  }
}

// Only regular files: a pipe or a device could block the run or feed it without end.
platform::File Units::open_regular(int unit, Open& open, platform::Mode mode, Where where) const {
  auto fail = [&](const std::string& why, FailureKind kind) {
    throw RunFailure(where, unit, open.name, "Cannot open file '" + open.name + "': " + why, kind);
  };
  std::string why;
  platform::File file = folder_.open_file(open.name, mode, why);
  if (!file.is_open()) fail(why, failure_kind(platform::cause_of(why)));
  platform::File::Info info;
  if (!file.info(info, why)) fail(why, failure_kind(platform::cause_of(why)));
  if (!info.regular) fail("not a regular file", FailureKind::not_regular);
  open.id = info.id;
  return file;
}

platform::File Units::open_file(int unit, std::string_view name, platform::Mode mode, Where where) {
  const std::string path(name);
  refuse_if_open_elsewhere(unit, path, where);
  close(unit, where);
  auto open = std::make_unique<Open>();
  open->name = path;
  platform::File file = open_regular(unit, *open, mode, where);
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

OutputChannel& Units::hold_output(int unit, std::string_view name) {
  close(unit);
  auto open = std::make_unique<Open>();
  open->name = std::string(name);
  auto held = std::make_unique<HeldSink>();
  open->held = held.get();
  open->output = std::make_unique<OutputChannel>(unit, open->name, std::move(held));
  OutputChannel& channel = *open->output;
  open_[unit] = std::move(open);
  return channel;
}

void Units::open_held(int unit, Where where) {
  const auto it = open_.find(unit);
  LAIFIT_CHECK(it != open_.end() && it->second->held != nullptr && !it->second->held->released(),
               "unit " + std::to_string(unit) + " holds no records");
  Open& open = *it->second;
  refuse_if_open_elsewhere(unit, open.name, where);
  platform::File file = open_regular(unit, open, platform::Mode::write, where);
  open.output->flush(where);  // into the held bytes, so that they reach the file in one write
  std::string why;
  if (!open.held->release(std::make_unique<FileSink>(std::move(file), true), why)) {
    throw RunFailure(where, unit, open.name, "Cannot write to file: " + why);
  }
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
