#include "inspect/inputs.hpp"

#include <algorithm>
#include <array>
#include <fstream>

#include "driver/njan.hpp"
#include "inspect/cause.hpp"
#include "inspect/names.hpp"
#include "inspect/run_view.hpp"
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

// Files of the folder that the user may have meant: the same name in another case, with its accents
// composed otherwise or in another encoding, or one that begins with a name cut to 30 characters.
std::vector<std::string> near_names(const fs::path& folder, std::string_view name) {
  std::vector<std::string> out;
  std::error_code ec;
  const fs::path relative(name);
  const fs::path dir = folder / relative.parent_path();
  const std::string file = relative.filename().string();
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string candidate = it->path().filename().string();
    if (candidate == file) continue;
    const bool same_case = lower(candidate) == lower(file) || same_name_written_otherwise(candidate, file);
    const bool longer =
        name.size() == kNameLength && candidate.size() > file.size() && candidate.compare(0, file.size(), file) == 0;
    if (same_case || longer) out.push_back(candidate);
    if (out.size() == 5) break;
  }
  return out;
}

// Whether a fixed-field read took a line of blanks (every field empty).
bool blank_record(const LoggedStatement& s) {
  return !s.free_format &&
         std::all_of(s.values.begin(), s.values.end(), [](const LoggedValue& v) { return is_blank_text(v.text); });
}

// Where the values after layout line k land: "the climate-year code from line 7, the base temperature from
// line 8 and so on".
std::string later_lines(const RunDescription& rd, std::size_t k) {
  std::string out;
  for (std::size_t j = k + 1; j < rd.lines.size() && j < k + 3; ++j) {
    if (rd.lines[j]->values.empty()) break;
    out += (out.empty() ? "" : ", ") + std::string(kLineRole[j]) + " from line " +
           std::to_string(rd.lines[j]->values.front().record);
  }
  return out.empty() ? "" : " (" + out + " and so on)";
}

// A blank line matters only where the fixed-field read of the emergence date takes it: the free-format
// reads pass over blank lines and find their values as meant.
void check_layout(const RunDescription& rd, Findings& f) {
  for (std::size_t k = 0; k < rd.lines.size(); ++k) {
    const LoggedStatement& s = *rd.lines[k];
    if (s.values.empty()) break;
    const std::int64_t first = s.values.front().record;
    if (blank_record(s)) {
      f.add("param-blank-line", soj_line(first),
            "is blank where laifit reads " + std::string(kLineRole[k]) +
                " in fixed columns: it reads that from the blank line, and each later read takes the line meant "
                "for the value before it" +
                later_lines(rd, k) + ".");
      return;
    }
    if (s.free_format && s.values.back().record > first) {
      f.add("param-split-line", soj_line(first),
            "holds only part of " + std::string(kLineRole[k]) + ": laifit takes the rest from line " +
                std::to_string(s.values.back().record) +
                ", and every later line of the run description from the line below its place.");
      return;
    }
  }
}

void check_names(const Gathered& g, const RunDescription& rd, Findings& f) {
  const std::int32_t icodclim = run_inputs(g.details).climate_years;
  const bool two_years_read = rd.at(6) != nullptr && rd.at(6)->ended && icodclim != 1;
  for (int line = 1; line <= 4; ++line) {
    const LoggedStatement* s = rd.at(line);
    if (s == nullptr) continue;
    if (line == 2 && !two_years_read) continue;  // the second climate file plays no part
    if (s->values.empty()) {
      if (!s->skipped.empty() && s->skipped.front() == '/') {
        f.add("name-split", soj_line(s->end_record) + " (" + kLineRole[static_cast<std::size_t>(line - 1)] + ")",
              "the line holds " + shown(s->skipped) +
                  ": a slash ends an unquoted value before it begins, so laifit reads an empty name.",
              "'" + s->skipped + "'");
      }
      continue;
    }
    const LoggedValue& v = s->values.front();
    const std::string where = soj_line(v.record) + " (" + kLineRole[static_cast<std::size_t>(line - 1)] + ")";
    if (v.text.size() > kNameLength) {
      f.add("name-too-long", where,
            "the name " + shown(v.text) + " has " + std::to_string(v.text.size()) +
                " characters; laifit keeps the first 30 and uses " + shown(v.text.substr(0, kNameLength)) + ".");
      continue;
    }
    if (!v.quoted && !is_blank_text(s->skipped)) {
      const char sep = s->skipped.empty() ? ' ' : s->skipped.front();
      const std::string why = sep == '/' ? "a slash" : sep == ',' ? "a comma" : sep == ';' ? "a semicolon" : "a blank";
      f.add("name-split", where,
            "the line holds " + shown(v.text + s->skipped) + ": an unquoted name ends at " + why + ", so laifit uses " +
                shown(v.text) + " and passes over " + shown(s->skipped) + ".",
            "'" + v.text + s->skipped + "'");
    }
  }
}

// What the bytes at the start of a file say it is, when it is no text laifit can read: "UTF-16" (a
// byte-order mark, or NUL bytes between the characters) or "zip" (a spreadsheet workbook); "" else.
std::string binary_kind(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  char buf[64];
  in.read(buf, sizeof buf);
  const std::string_view head(buf, static_cast<std::size_t>(in.gcount()));
  if (head.starts_with("PK\x03\x04")) return "zip";
  if (head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF")) return "UTF-16";
  std::size_t nuls = 0;
  for (const char c : head) nuls += c == '\0' ? 1 : 0;
  return head.size() >= 4 && nuls * 4 >= head.size() ? "UTF-16" : "";
}

void check_kind(const Gathered& g, const NamedInput& in, const std::string& where, Findings& f) {
  const std::string kind = binary_kind(g.folder / fs::path(in.name));
  if (kind == "zip") {
    f.add("zip-file", where,
          "the file is a zip archive (its first bytes are PK), as a spreadsheet workbook (.xlsx, .ods) is: laifit "
          "reads its bytes as text and finds no " +
              std::string(in.line == 3 ? "table" : "climate records") + " in them.");
  } else if (kind == "UTF-16") {
    f.add("utf16-file", where,
          "the file is UTF-16 text (a byte-order mark FF FE or FE FF, or NUL bytes between the characters), as "
          "some spreadsheets save \"Unicode text\": laifit reads one byte at a time and sees a NUL after every "
          "character.");
  }
}

void check_missing(const Gathered& g, const NamedInput& in, const std::string& where, Findings& f) {
  std::string what = "no such file in the folder.";
  const auto near = near_names(g.folder, in.name);
  if (!near.empty()) {
    what += " The folder has ";
    for (std::size_t k = 0; k < near.size(); ++k) what += (k > 0 ? ", " : "") + shown(near[k]);
    what += ".";
  }
  f.add("missing-file", where, what, "line " + std::to_string(in.line));
}

void check_files(const Gathered& g, Findings& f) {
  for (const NamedInput& in : named_inputs(g)) {
    const FileState st = file_state(g.folder, in.name);
    const std::string where = in.name + " (" + in.role + ", param.soj line " + std::to_string(in.line) + ")";
    switch (st.kind) {
      case FileState::Kind::absent: check_missing(g, in, where, f); break;
      case FileState::Kind::not_regular:
        f.add("not-a-file", where, "not a regular file (a folder, a pipe or a device).");
        break;
      case FileState::Kind::empty:
        if (in.line == 3) {
          f.add("empty-file", where, "the file is empty.");
        } else {
          f.add("empty-climate-file", where,
                "the file is empty: laifit reads no temperatures, so every thermal time is 0 and the fit has no "
                "time axis.");
        }
        break;
      case FileState::Kind::present: check_kind(g, in, where, f); break;
    }
  }
}

void check_output_name(const Gathered& g, Findings& f) {
  const std::string* lai = g.name(kLaiFile);
  if (lai == nullptr || lai->empty()) return;
  if (file_state(g.folder, *lai).kind == FileState::Kind::not_regular) {
    f.add("not-a-file", *lai + " (the interpolated LAI file, param.soj line 4)",
          "names a folder or another thing that is not a file: laifit cannot write it.",
          "name a file for the interpolated LAI series");
  }
}

const std::string kDateLayout =
    "laifit reads the emergence date in fixed columns, dd/mm/yyyy: characters 1 and 2 the day, 4 and 5 the "
    "month, 7 to 10 the year";

// A date field that holds no number; true when there is one.
bool check_date_fields(const LoggedStatement& s, const std::string& where, Findings& f) {
  static const char* const kFields[] = {"characters 1 and 2 (the day)", "characters 4 and 5 (the month)",
                                        "characters 7 to 10 (the year)"};
  for (std::size_t k = 0; k < s.values.size(); ++k) {
    const LoggedValue& v = s.values[k];
    if (!v.stored) {
      f.add("date-unreadable", where,
            kDateLayout + "; here " + kFields[std::min<std::size_t>(k, 2)] + " hold " + shown(v.text) +
                ", which is no number.");
      return true;
    }
  }
  return false;
}

void check_date(const Gathered& g, const RunDescription& rd, Findings& f) {
  const LoggedStatement* s = rd.at(5);
  if (s == nullptr || s->free_format || s->values.empty()) return;
  if (blank_record(*s)) return;  // the blank line's own finding
  const std::string where = soj_line(s->values.front().record) + " (the emergence date)";
  if (check_date_fields(*s, where, f) || s->values.size() < 3) return;
  const std::int32_t day = s->values[0].integer, month = s->values[1].integer, year = s->values[2].integer;
  if (month < 1 || month > 12 || day < 1 || day > days_in_month(year, month)) {
    f.add("date-layout", where,
          kDateLayout + "; it reads day " + std::to_string(day) + ", month " + std::to_string(month) + ", year " +
              std::to_string(year) + ", which is no date, and places emergence on day " +
              std::to_string(run_inputs(g.details).emergence_day) + ".");
  } else if (year < 1000) {
    f.add("date-layout", where,
          kDateLayout + "; it reads the year " + std::to_string(year) + ", which needs its four digits.");
  }
  const RunInputs in = run_inputs(g.details);
  if (in.has_rows && year != in.sowing_year && std::int64_t{year} != next_year(in.sowing_year)) {
    f.add("emergence-year", where,
          "the emergence year " + std::to_string(year) + " is neither the sowing year " +
              std::to_string(in.sowing_year) +
              " (the year of the first row of the observation table) nor the next: laifit writes an error line.");
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

void check_base_comma(const RunDescription& rd, Findings& f) {
  const LoggedStatement* base = rd.at(7);
  if (base == nullptr || base->values.empty() || !decimal_comma(*base, base->values.back())) return;
  const LoggedValue& v = base->values.back();
  f.add("param-decimal-comma", soj_line(v.record) + " (the base temperature)",
        "written " + shown(v.text + base->skipped) + " and read as " + shortest(v.real) +
            ": the decimal comma ends the number.",
        with_point(v.text + base->skipped));
}

// The start value of an estimated parameter: 0 (no difference step), or a rate below 0 that the sign
// check keeps below 0.
void check_start(int k, float start, const std::string& where, Findings& f) {
  const std::string p = "p" + std::to_string(k);
  if (start == 0.0f) {
    f.add("zero-start", where,
          p + " is estimated from a starting value of 0: the estimator steps each parameter in proportion to its "
              "value, so it rejects the fit, and laifit writes the curve of the starting values.");
  } else if ((k == 2 || k == 4) && start < 0.0f) {
    f.add(
        "start-sign", where,
        p + " is estimated from " + shortest(start) +
            ": the estimator keeps every estimated parameter on the side of 0 it starts on, so " + p +
            (k == 2 ? " stays negative and the curve cannot rise." : " stays negative and the curve cannot decline."));
  }
}

void check_numbers(const Gathered& g, const RunDescription& rd, Findings& f) {
  check_base_comma(rd, f);
  const RunInputs in = run_inputs(g.details);
  for (int k = 1; k <= 5; ++k) {
    const LoggedStatement* s = rd.at(7 + k);
    if (s == nullptr || s->values.size() < 2 || !s->ended) continue;
    const LoggedValue& value = s->values[1];
    const std::string where = soj_line(s->values[0].record) + " (p" + std::to_string(k) + ")";
    if (decimal_comma(*s, value)) {
      f.add("param-decimal-comma", where,
            "the value is written " + shown(value.text + s->skipped) + " and read as " + shortest(value.real) +
                ": the decimal comma ends the number.",
            with_point(value.text + s->skipped));
    }
    const std::int32_t icod = in.switches[static_cast<std::size_t>(k - 1)];
    if (icod != 0 && icod != 1) {
      f.add("param-switch", where,
            "the switch is " + std::to_string(icod) + "; laifit accepts 1 (estimated) or 0 (held).");
    } else if (icod == 1) {
      check_start(k, in.values[static_cast<std::size_t>(k - 1)], where, f);
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
      f.add("byte-order-mark", name + " line 1",
            "begins with a byte-order mark (the bytes EF BB BF that some editors write at the start of a UTF-8 "
            "file): laifit takes them as the first characters of the first file name.");
    }
    if (cr) {
      f.add("cr-line-ends", name,
            "has lines that end with a carriage return alone: laifit ends a line at a line feed only, so it "
            "reads such lines as one.");
    }
  }
}

void check_ending(const Gathered& g, const RunDescription& rd, Findings& f) {
  if (!g.recomputed) return;
  if (g.internal_error) {
    f.add("internal-error", "laifit", "laifit itself failed a check of its own code: " + *g.internal_error + ".");
    return;
  }
  if (f.explains_stop() || g.status == 0) return;
  if (!rd.lines.empty() && rd.lines.back()->end_of_file && g.details.failure) {
    const int missing = static_cast<int>(rd.lines.size());
    f.add("param-short", "param.soj",
          "ends before line " + std::to_string(missing) + " (" + kLineRole[static_cast<std::size_t>(missing - 1)] +
              "): laifit needs twelve lines.");
  } else if (g.details.refusal) {
    f.add("refused", "laifit", "writes the message " + shown(*g.details.refusal) + ".");
  } else if (g.details.failure) {
    f.add("stops", g.details.failure->file, cause_words(*g.details.failure) + ".");
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
    f.add("param-empty", "param.soj", "the run description is empty.");
    return;
  }
  check_layout(rd, f);
  check_names(g, rd, f);
  check_files(g, f);
  check_output_name(g, f);
  check_date(g, rd, f);
  check_numbers(g, rd, f);
  check_bytes(g, f);
}

void explain_ending(const Gathered& g, Findings& f) { check_ending(g, run_description(g), f); }

}  // namespace laifit::inspect
