#include "inspect/inputs.hpp"

#include <algorithm>
#include <array>

#include "inspect/text.hpp"
#include "state/units_of_run.hpp"

namespace laifit::inspect {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kNameLength = 30;

// What each line of "param.soj" holds.
constexpr std::array<const char*, 12> kLineRole = {"the climate file of the sowing year",
                                                   "the climate file of the following year",
                                                   "the observation table",
                                                   "the interpolated LAI file",
                                                   "the emergence date",
                                                   "the climate-year code",
                                                   "the base temperature",
                                                   "p1",
                                                   "p2",
                                                   "p3",
                                                   "p4",
                                                   "p5"};

std::string soj_line(std::int64_t line) { return "param.soj line " + std::to_string(line); }

bool is_blank_text(std::string_view s) { return s.find_first_not_of(" \t") == std::string_view::npos; }

// Files of the folder that the user may have meant: the same name in another case, or one that begins
// with a name cut to 30 characters.
std::vector<std::string> near_names(const fs::path& folder, std::string_view name) {
  std::vector<std::string> out;
  std::error_code ec;
  const fs::path relative(name);
  const fs::path dir = folder / relative.parent_path();
  const std::string file = relative.filename().string();
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string candidate = it->path().filename().string();
    if (candidate == file) continue;
    const bool same_case = lower(candidate) == lower(file);
    const bool longer =
        name.size() == kNameLength && candidate.size() > file.size() && candidate.compare(0, file.size(), file) == 0;
    if (same_case || longer) out.push_back(candidate);
    if (out.size() == 5) break;
  }
  return out;
}

void check_layout(const RunDescription& rd, Findings& f) {
  std::int64_t next = 1;  // the record that the next statement starts on
  for (std::size_t k = 0; k < rd.lines.size(); ++k) {
    const LoggedStatement& s = *rd.lines[k];
    if (s.values.empty()) break;
    const std::int64_t first = s.values.front().record;
    if (s.free_format && first > next) {
      f.warn("param-blank-line", soj_line(next),
             std::string(first - next == 1 ? "is blank" : "and the lines after it are blank") +
                 ": laifit passes over blank lines, so it reads " + kLineRole[k] + " from line " +
                 std::to_string(first) + " and every later line of the run description from the line below its place.",
             "remove the blank line; param.soj has one value per line, 12 lines");
      return;
    }
    if (s.free_format && s.values.back().record > first) {
      f.warn("param-split-line", soj_line(first),
             "holds only part of " + std::string(kLineRole[k]) + ": laifit takes the rest from line " +
                 std::to_string(s.values.back().record) +
                 ", and every later line of the run description from the line below its place.",
             "write the switch and the value of a parameter on the same line (for example 1 5.0)");
      return;
    }
    next = s.end_record + 1;
  }
}

void check_names(const Gathered& g, const RunDescription& rd, Findings& f) {
  const std::int32_t icodclim = g.details.state.temps.icodclim;
  const bool two_years_read = rd.at(6) != nullptr && rd.at(6)->ended && icodclim != 1;
  for (int line = 1; line <= 4; ++line) {
    const LoggedStatement* s = rd.at(line);
    if (s == nullptr) continue;
    if (line == 2 && !two_years_read) continue;  // the second climate file plays no part
    if (s->values.empty()) {
      if (!s->skipped.empty() && s->skipped.front() == '/') {
        f.warn("name-split", soj_line(s->end_record) + " (" + kLineRole[static_cast<std::size_t>(line - 1)] + ")",
               "the line holds " + shown(s->skipped) +
                   ": a slash ends an unquoted value before it begins, so laifit reads an empty name.",
               "put a name with slashes in quotes: '" + s->skipped + "'");
      }
      continue;
    }
    const LoggedValue& v = s->values.front();
    const std::string where = soj_line(v.record) + " (" + kLineRole[static_cast<std::size_t>(line - 1)] + ")";
    if (v.text.size() > kNameLength) {
      f.warn("name-too-long", where,
             "the name " + shown(v.text) + " has " + std::to_string(v.text.size()) +
                 " characters; laifit keeps the first 30 and uses " + shown(v.text.substr(0, kNameLength)) + ".",
             "rename the file (and this line) to at most 30 characters");
      continue;
    }
    if (!v.quoted && !is_blank_text(s->skipped)) {
      const char sep = s->skipped.empty() ? ' ' : s->skipped.front();
      const std::string why = sep == '/' ? "a slash" : sep == ',' ? "a comma" : sep == ';' ? "a semicolon" : "a blank";
      f.warn("name-split", where,
             "the line holds " + shown(v.text + s->skipped) + ": an unquoted name ends at " + why +
                 ", so laifit uses " + shown(v.text) + " and passes over " + shown(s->skipped) + ".",
             "put a name with blanks, commas or slashes in quotes: '" + v.text + s->skipped + "'");
    }
  }
}

void check_files(const Gathered& g, const RunDescription& rd, Findings& f) {
  for (const NamedInput& in : named_inputs(g)) {
    // A name cut to 30 characters has its own warning; the missing file is its consequence.
    const LoggedStatement* s = rd.at(in.line);
    if (s != nullptr && !s->values.empty()) {
      const LoggedValue& v = s->values.front();
      if (v.text.size() > kNameLength || (!v.quoted && !is_blank_text(s->skipped))) continue;
    }
    const FileState st = file_state(g.folder, in.name);
    const std::string where = in.name + " (" + in.role + ", param.soj line " + std::to_string(in.line) + ")";
    switch (st.kind) {
      case FileState::Kind::absent: {
        std::string what = "no such file in the folder: laifit stops (exit status 2).";
        const auto near = near_names(g.folder, in.name);
        if (!near.empty()) {
          what += " The folder has ";
          for (std::size_t k = 0; k < near.size(); ++k) what += (k > 0 ? ", " : "") + shown(near[k]);
          what += ".";
        }
        f.warn("missing-file", where, what, "correct the name on line " + std::to_string(in.line) + " of param.soj");
        f.explain_stop();
        break;
      }
      case FileState::Kind::not_regular:
        f.warn("not-a-file", where, "not a regular file (a folder, a pipe or a device): laifit stops (exit status 2).",
               "name an ordinary file");
        f.explain_stop();
        break;
      case FileState::Kind::empty:
        if (in.line == 3) {
          f.warn("empty-file", where, "the file is empty: laifit stops at once (exit status 2).",
                 "name the table of the observations");
          f.explain_stop();
        } else {
          f.warn("empty-file", where,
                 "the file is empty: laifit reads no temperatures, so every thermal time is 0 and the fit has no "
                 "time axis.",
                 "name the climate file of that year");
        }
        break;
      case FileState::Kind::present:
        break;
    }
  }
}

void check_output_name(const Gathered& g, Findings& f) {
  const std::string* lai = g.name(kLaiFile);
  if (lai == nullptr || lai->empty()) return;
  if (file_state(g.folder, *lai).kind == FileState::Kind::not_regular) {
    f.warn("not-a-file", *lai + " (the interpolated LAI file, param.soj line 4)",
           "names a folder or another thing that is not a file: laifit cannot write it and stops (exit status 2).",
           "name a file for the interpolated LAI series");
    f.explain_stop();
  }
}

void check_date(const Gathered& g, const RunDescription& rd, Findings& f) {
  const LoggedStatement* s = rd.at(5);
  if (s == nullptr || s->free_format || s->values.empty()) return;
  const std::int64_t record = s->values.front().record;
  const std::string where = soj_line(record) + " (the emergence date)";
  std::string written;
  for (const LoggedValue& v : s->values) written += v.text;
  static const char* const kFields[] = {"characters 1 and 2 (the day)", "characters 4 and 5 (the month)",
                                        "characters 7 to 10 (the year)"};
  const std::string layout =
      "laifit reads the emergence date in fixed columns, dd/mm/yyyy: characters 1 and 2 the day, 4 and 5 the "
      "month, 7 to 10 the year";
  const std::string fix = "write the date as dd/mm/yyyy with two digits for the day and the month (05/04/2011)";
  for (std::size_t k = 0; k < s->values.size(); ++k) {
    const LoggedValue& v = s->values[k];
    if (!v.stored) {
      f.warn("date-layout", where,
             layout + "; here " + kFields[std::min<std::size_t>(k, 2)] + " hold " + shown(v.text) +
                 ", which is no number, so laifit stops (exit status 2).",
             fix);
      f.explain_stop();
      return;
    }
  }
  if (s->values.size() < 3) return;
  const std::int32_t day = s->values[0].integer, month = s->values[1].integer, year = s->values[2].integer;
  if (day < 1 || day > 31 || month < 1 || month > 12) {
    f.warn("date-layout", where,
           layout + "; it reads day " + std::to_string(day) + ", month " + std::to_string(month) + ", year " +
               std::to_string(year) + ", which is no date, and places emergence on day " +
               std::to_string(g.details.state.lai.jlevee) + ".",
           fix + "; the day comes first");
  } else if (year < 1000) {
    f.warn("date-layout", where,
           layout + "; it reads the year " + std::to_string(year) + ", which needs its four digits.", fix);
  }
  const RunDetails& d = g.details;
  if (d.has_rows && year != d.ansemis && std::int64_t{year} != std::int64_t{d.ansemis} + 1) {
    f.warn("emergence-year", where,
           "the emergence year " + std::to_string(year) + " is neither the sowing year " + std::to_string(d.ansemis) +
               " (the year of the first row of the observation table) nor the next: laifit writes an error line "
               "and stops without a fit (exit status 0).",
           "check the year of the emergence date and the first row of the observation table");
    f.explain_stop();
  }
}

// The number as it should have been written: its first comma a point, what follows it on the line cut.
std::string with_point(std::string written) {
  const std::size_t comma = written.find(',');
  if (comma != std::string::npos) written[comma] = '.';
  const std::size_t end = written.find_first_of(" \t;", comma == std::string::npos ? 0 : comma);
  return written.substr(0, end);
}

// A real value written with a decimal comma: the number ends at the comma and the rest of the line is
// passed over.
bool decimal_comma(const LoggedStatement& s, const LoggedValue& v) {
  return v.kind == ReadValue::Kind::real && v.separator == ',' && &v == &s.values.back() && s.skipped.size() > 1 &&
         s.skipped[1] >= '0' && s.skipped[1] <= '9';
}

void check_numbers(const Gathered& g, const RunDescription& rd, Findings& f) {
  const LoggedStatement* base = rd.at(7);
  if (base != nullptr && !base->values.empty() && decimal_comma(*base, base->values.back())) {
    const LoggedValue& v = base->values.back();
    f.warn("param-decimal-comma", soj_line(v.record) + " (the base temperature)",
           "written " + shown(v.text + base->skipped) + " and read as " + shortest(v.real) +
               ": the decimal comma ends the number.",
           "write decimals with a point: " + with_point(v.text + base->skipped));
  }
  const Param& param = g.details.state.param;
  for (int k = 1; k <= 5; ++k) {
    const LoggedStatement* s = rd.at(7 + k);
    if (s == nullptr || s->values.size() < 2 || !s->ended) continue;
    const LoggedValue& sw = s->values[0];
    const LoggedValue& value = s->values[1];
    const std::string where = soj_line(sw.record) + " (p" + std::to_string(k) + ")";
    if (decimal_comma(*s, value)) {
      f.warn("param-decimal-comma", where,
             "the value is written " + shown(value.text + s->skipped) + " and read as " + shortest(value.real) +
                 ": the decimal comma ends the number.",
             "write decimals with a point: " + with_point(value.text + s->skipped));
    }
    const std::int32_t icod = param.icod[static_cast<std::size_t>(k - 1)];
    if (icod != 0 && icod != 1) {
      f.warn("param-switch", where,
             "the switch is " + std::to_string(icod) +
                 "; laifit accepts 1 (estimated) or 0 (held) and stops (exit "
                 "status 2).",
             "write 1 to estimate the parameter, 0 to hold it at the value");
      f.explain_stop();
    } else if (icod == 1 && param.var[static_cast<std::size_t>(k - 1)] == 0.0f) {
      f.warn("zero-start", where,
             "p" + std::to_string(k) +
                 " is estimated from a starting value of 0: the estimator steps each parameter in proportion to "
                 "its value, so it rejects the fit, and laifit writes the curve of the starting values.",
             "give a non-zero starting value (or hold the parameter: switch 0)");
    }
  }
}

// Line ends made of a carriage return alone, and the byte-order mark that some editors put at the start
// of a UTF-8 file: laifit reads both as ordinary characters.
void check_bytes(const Gathered& g, Findings& f) {
  std::vector<std::pair<int, std::string>> files{{unit::kParam, "param.soj"}};
  if (const std::string* n = g.name(kObservations)) files.emplace_back(unit::kObsTable, *n);
  if (const std::string* n = g.name(kClimate1)) files.emplace_back(unit::kClimate1, *n);
  if (const std::string* n = g.name(kClimate2)) files.emplace_back(unit::kClimate2, *n);
  for (const auto& [u, name] : files) {
    bool bom = false, cr = false;
    for (const LoggedStatement* s : g.log.of(u, name)) {
      for (const LoggedValue& v : s->values) {
        if (v.record == 1 && v.column == 0 && v.text.rfind("\xEF\xBB\xBF", 0) == 0) bom = true;
        if (v.text.find('\r') != std::string::npos) cr = true;
      }
      if (s->skipped.find('\r') != std::string::npos) cr = true;
    }
    if (bom && u == unit::kParam) {
      f.warn("byte-order-mark", name + " line 1",
             "begins with a byte-order mark (the bytes EF BB BF that some editors write at the start of a UTF-8 "
             "file): laifit takes them as the first characters of the first file name.",
             "save the file as plain text (UTF-8 without BOM, or ASCII)");
    }
    if (cr) {
      f.warn("cr-line-ends", name,
             "has lines that end with a carriage return alone: laifit ends a line at a line feed only, so it "
             "reads such lines as one.",
             "save the file with LF or CR LF line ends");
    }
  }
}

void check_ending(const Gathered& g, const RunDescription& rd, Findings& f) {
  if (!g.recomputed) return;
  if (g.internal_error) {
    f.warn("internal-error", "laifit", "laifit itself failed a check of its own code: " + *g.internal_error + ".",
           "report it with this folder");
    return;
  }
  if (f.stop_explained() || g.status == 0) return;
  // param.soj ends before its twelve lines.
  if (!rd.lines.empty() && rd.lines.back()->end_of_file && g.details.failure) {
    const int missing = static_cast<int>(rd.lines.size());
    f.warn("param-short", "param.soj",
           "ends before line " + std::to_string(missing) + " (" + kLineRole[static_cast<std::size_t>(missing - 1)] +
               "): laifit needs twelve lines and stops (exit status 2).",
           "write the 12 lines: two climate files, the observation table, the LAI file, the emergence date, the "
           "climate-year code, the base temperature and p1 to p5");
    f.explain_stop();
    return;
  }
  if (g.details.refusal) {
    std::string message = *g.details.refusal;
    f.warn("refused", "laifit", "stops with the message " + shown(message) + " (exit status 2).");
  } else if (g.details.failure) {
    const auto& fail = *g.details.failure;
    const bool missing = fail.kind == FailureKind::not_found;
    if (missing && f.has("missing-file")) return;
    // A file that cannot be opened by that name: the finding on the name has said why.
    const bool unopened = missing || fail.kind == FailureKind::is_folder || fail.kind == FailureKind::not_regular ||
                          fail.kind == FailureKind::name_too_long || fail.kind == FailureKind::invalid_name;
    if (unopened && (f.has("not-a-file") || f.has("name-too-long"))) return;
    f.warn("stops", fail.file, "laifit stops (exit status 2): " + fail.cause + ".");
  }
}

}  // namespace

RunDescription run_description(const Gathered& g) {
  RunDescription rd;
  rd.lines = g.log.of(unit::kParam, "param.soj");
  if (rd.lines.size() > 12) rd.lines.resize(12);
  return rd;
}

std::vector<NamedInput> named_inputs(const Gathered& g) {
  std::vector<NamedInput> out;
  const RunDescription rd = run_description(g);
  if (const std::string* n = g.name(kObservations)) out.push_back({*n, 3, "the observation table"});
  if (const std::string* n = g.name(kClimate1)) out.push_back({*n, 1, "the climate file of the sowing year"});
  const LoggedStatement* code = rd.at(6);
  if (code != nullptr && code->ended && !code->values.empty() && code->values.front().integer != 1) {
    if (const std::string* n = g.name(kClimate2)) out.push_back({*n, 2, "the climate file of the following year"});
  }
  return out;
}

void check_inputs(const Gathered& g, const RunDescription& rd, Findings& f) {
  if (file_state(g.folder, "param.soj").kind == FileState::Kind::empty) {
    f.warn("empty-file", "param.soj", "the run description is empty: laifit stops at once (exit status 2).",
           "write the 12 lines of the run description");
    f.explain_stop();
    return;
  }
  check_layout(rd, f);
  check_names(g, rd, f);
  check_files(g, rd, f);
  check_output_name(g, f);
  check_date(g, rd, f);
  check_numbers(g, rd, f);
  check_bytes(g, f);
}

// How the run ended, when no other finding explains it; called after every other check.
void check_run_ending(const Gathered& g, Findings& f) { check_ending(g, run_description(g), f); }

}  // namespace laifit::inspect
