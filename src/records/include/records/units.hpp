#pragma once
// The channels of a run, by unit number: the screen and the files opened by name in the run folder.
//
// A file is opened by name relative to the run folder. A file opened for writing, or held untouched, is
// created empty when missing; one opened for reading must exist. One file can be open on one unit
// only: a second opening under any spelling (same file identity) fails. Opening a unit that is already
// connected closes its previous file first.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "check/where.hpp"
#include "platform/files.hpp"
#include "records/input.hpp"
#include "records/output.hpp"

namespace laifit {

using FileId = platform::FileId;

class Units {
 public:
  static constexpr int kScreen = 6;

  // folder: the run folder (not owned, outlives the units); screen: where standard output goes.
  Units(const platform::Folder& folder, std::unique_ptr<ByteSink> screen);
  ~Units();

  OutputChannel& screen() { return screen_; }

  // A file opened for writing keeps its contents until its first record is written, unless it is
  // emptied at once (a working file that must not show an earlier run's records).
  enum class Empty : bool { at_first_write, at_open };
  OutputChannel& open_output(int unit, std::string_view name, Where where = Where::current()) {
    return open_output(unit, name, Empty::at_first_write, where);
  }
  OutputChannel& open_output(int unit, std::string_view name, Empty empty, Where where = Where::current());
  InputChannel& open_input(int unit, std::string_view name, Where where = Where::current());
  // An output channel whose records are held in memory, its file not yet opened: open_held opens the
  // file as open_output does (its contents kept until the first record) and writes the held records.
  OutputChannel& hold_output(int unit, std::string_view name);
  void open_held(int unit, Where where = Where::current());
  // Opened (created when absent) and held, never read or written.
  void open_untouched(int unit, std::string_view name, Where where = Where::current());

  OutputChannel& output(int unit);
  InputChannel& input(int unit);

  // Flushes and closes; closing the screen flushes it and leaves it usable.
  void close(int unit, Where where = Where::current());

  // Flushes every output channel, the screen last; the first refusal ends the run.
  void flush_all(Where where = Where::current());

  // Files opened for reading from now on tell observer of their reading statements.
  void observe_reads(ReadObserver* observer) { read_observer_ = observer; }

  // The identity of an existing file of the run folder, if any.
  std::optional<FileId> identity(std::string_view name) const;

 private:
  struct Open;
  platform::File open_file(int unit, std::string_view name, platform::Mode mode, Where where);
  void refuse_if_open_elsewhere(int unit, const std::string& path, Where where) const;
  platform::File open_regular(int unit, Open& open, platform::Mode mode, Where where) const;

  const platform::Folder& folder_;
  OutputChannel screen_;
  ReadObserver* read_observer_ = nullptr;
  std::map<int, std::unique_ptr<Open>> open_;
};

}  // namespace laifit
