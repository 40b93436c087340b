#include "inspect/table.hpp"

#include <algorithm>
#include <cmath>

#include "driver/njan.hpp"
#include "inspect/catalogue.hpp"
#include "inspect/text.hpp"
#include "state/units_of_run.hpp"

namespace laifit::inspect {
namespace {

constexpr std::size_t kRecord = 200;   // characters of a line that laifit keeps
constexpr std::size_t kScanned = 100;  // characters of the header searched for lai(n)
constexpr int kDateColumns = 4;

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && is_blank(s[b])) ++b;
  while (e > b && is_blank(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

std::string unquoted(std::string_view s) {
  std::string out;
  for (const char c : s) {
    if (c != '"' && c != '\'') out += c;
  }
  return out;
}

}  // namespace

std::vector<Cell> TableView::cells(std::int64_t line) const {
  std::vector<Cell> out;
  const auto it = lines.find(line);
  if (it == lines.end()) return out;
  const std::string& text = it->second;
  if (text.find(';') != std::string::npos) {
    std::size_t begin = 0;
    while (true) {
      const std::size_t end = std::min(text.find(';', begin), text.size());
      out.push_back(Cell{trim(std::string_view(text).substr(begin, end - begin)), begin, end});
      if (end == text.size()) break;
      begin = end + 1;
    }
    // Blanks that fill the line to 200 characters are no cell.
    if (out.size() > 1 && out.back().text.empty() &&
        it->second.find_first_not_of(" \t", out.back().begin) == std::string::npos) {
      out.pop_back();
    }
  } else {
    // A table written with blanks between its values.
    for (std::size_t p = 0; p < text.size();) {
      while (p < text.size() && is_blank(text[p])) ++p;
      if (p == text.size()) break;
      const std::size_t begin = p;
      while (p < text.size() && !is_blank(text[p])) ++p;
      out.push_back(Cell{text.substr(begin, p - begin), begin, p});
    }
  }
  return out;
}

int TableView::cell_at(std::int64_t line, std::size_t column) const {
  const auto all = cells(line);
  for (std::size_t k = 0; k < all.size(); ++k) {
    if (column >= all[k].begin && column <= all[k].end) return static_cast<int>(k);
  }
  return -1;
}

std::string TableView::column(int cell) const {
  if (cell >= 0 && static_cast<std::size_t>(cell) < words.size() &&
      !words[static_cast<std::size_t>(cell)].text.empty()) {
    return "column " + words[static_cast<std::size_t>(cell)].text;
  }
  return "column " + std::to_string(cell + 1);
}

TableView table_view(const Gathered& g) {
  TableView t;
  const std::string* name = g.name(kObservations);
  if (name == nullptr) return t;
  t.name = *name;
  // The extraction reads the header, then (after stepping back) every line, each as 200 characters.
  for (const LoggedStatement* s : g.log.of(unit::kObsTable, *name)) {
    if (s->free_format || s->values.empty()) continue;
    const LoggedValue& v = s->values.front();
    if (!t.header_read) {
      t.header_read = true;
      t.header = v.text;
    }
    t.lines[v.record] = v.text;
    t.longer[v.record] = v.separator != ReadValue::kEndOfRecord;
  }
  if (!t.header_read) return t;
  std::array<char, kRecord> header;
  header.fill(' ');
  std::copy_n(t.header.begin(), std::min(t.header.size(), kRecord), header.begin());
  t.words = header_words(header, kRecord);
  t.collai = find_lai_column(header);

  bool header_skipped = false;
  for (const LoggedStatement* s : g.log.of(unit::kTempobs2, "tempobs2.txt")) {
    if (!header_skipped) {  // the read without destinations that passes over the header
      header_skipped = true;
      continue;
    }
    if (!s->ended) {
      t.failed = s;
      break;
    }
    if (s->end_of_file) continue;  // the read that met the end of the table
    // Every other read writes a row of "tempobs.txt". A destination that a read leaves alone (after a
    // slash, or for an empty value) keeps what the row before put there.
    TableRow row;
    row.statement = s;
    row.line = s->values.empty() ? s->end_record : s->values.front().record;
    row.last_line = s->values.empty() ? row.line : s->values.back().record;
    const std::size_t wanted = static_cast<std::size_t>(std::max(t.collai, kDateColumns + 1));
    for (std::size_t k = 0; k < 4; ++k) {
      const bool read = k < s->values.size() && !s->values[k].null;
      row.date[k] = read ? s->values[k].integer : (t.rows.empty() ? 0 : t.rows.back().date[k]);
    }
    const float before = t.rows.empty() ? 0.0f : t.rows.back().lai;
    if (s->values.size() < wanted) {
      row.cut = true;
      row.lai = before;
    } else {
      row.lai_value = s->values.back();
      row.lai = row.lai_value.null ? before : row.lai_value.real;
      row.lai_cell = t.cell_at(row.lai_value.record, row.lai_value.column);
    }
    t.rows.push_back(row);
  }
  return t;
}

namespace {

// The header's words that come close to lai(n), with why laifit does not take them.
std::vector<std::string> near_lai(const Gathered& g, const TableView& t) {
  std::vector<std::string> misses;
  for (std::size_t k = 0; k < t.words.size(); ++k) {
    const HeaderWord& w = t.words[k];
    const std::string col = " (column " + std::to_string(w.column) + ")";
    if (w.text == "lai(n)") {
      misses.push_back("lai(n)" + col + " ends at character " + std::to_string(w.separator + 1) +
                       ", beyond the first 100 characters, which are all that laifit searches");
    } else if (lower(unquoted(w.text)) == "lai(n)") {
      misses.push_back(shown(w.text) + col + (w.text != unquoted(w.text) ? " has quotes" : " differs in case") +
                       "; laifit looks for lai(n) exactly, in lower case and without quotes");
    } else if (lower(w.text).find("lai(n)") != std::string::npos) {
      misses.push_back(shown(w.text) + col +
                       " holds lai(n) inside a longer word; laifit separates the header's words by ';' or a "
                       "blank only (not by a comma or a tab)");
    } else if (lower(w.text) == "lai" && k + 1 < t.words.size() && t.words[k + 1].text == "(n)") {
      misses.push_back("\"lai (n)\"" + col + " has a blank inside");
    }
  }
  // Beyond the 200 characters that laifit keeps of a line, the free-format scan of the whole line.
  for (const LoggedStatement& s : g.header_scan.statements()) {
    for (const LoggedValue& v : s.values) {
      if (v.column >= kRecord && lower(unquoted(v.text)).find("lai(n)") != std::string::npos) {
        misses.push_back(shown(v.text) + " at character " + std::to_string(v.column + 1) +
                         ", beyond the 200 characters that laifit keeps of a line");
      }
    }
  }
  return misses;
}

void check_no_lai(const Gathered& g, const TableView& t, const std::string& where, Findings& f) {
  const std::vector<std::string> misses = near_lai(g, t);
  std::string what = "laifit finds no column named lai(n) in the header.";
  if (misses.empty()) {
    std::string names;
    for (const HeaderWord& w : t.words) {
      if (w.separator >= kScanned) break;
      if (!names.empty()) names += ", ";
      names += w.text.empty() ? "(empty)" : w.text;
    }
    what += " Its words within the first 100 characters are: " + names + ".";
  } else {
    for (const std::string& m : misses) what += " Close: " + m + ".";
  }
  f.add("header-no-lai", where, what);
}

// Header: lai(n) not found (and what comes close), among the date columns, after an empty word.
void check_header(const Gathered& g, const TableView& t, Findings& f) {
  const std::string where = t.name + " line 1 (the header)";
  if (t.collai == 0) {
    check_no_lai(g, t, where, f);
    return;
  }
  if (t.collai <= kDateColumns) {
    f.add("header-lai-in-date", where,
          "lai(n) is column " + std::to_string(t.collai) +
              ", but the first four columns must be the year, the month, the day and the day of the year.");
    return;
  }
  for (const HeaderWord& w : t.words) {
    if (w.column >= t.collai) break;
    if (w.text.empty()) {
      const std::string before = w.column > 1 ? t.words[static_cast<std::size_t>(w.column - 2)].text : "";
      f.add("header-empty-word", where,
            "column " + std::to_string(w.column) + " of the header has no name" +
                (before.empty() ? "" : " (after " + before + ")") +
                ": two separators in a row count as a column, so laifit takes lai(n) as column " +
                std::to_string(t.collai) + " and reads that column of every row.");
      break;
    }
  }
}

// The reason why the value taken as a row's LAI is not its lai(n) cell, from the cells before it.
std::string shift_reason(const TableView& t, std::int64_t line, const std::vector<const LoggedValue*>& values,
                         int lai_cell, std::string& code) {
  const auto cells = t.cells(line);
  std::vector<int> count(cells.size(), 0);
  std::vector<const LoggedValue*> first(cells.size(), nullptr);
  for (const LoggedValue* v : values) {
    if (v->record != line) continue;
    const int c = t.cell_at(line, v->column);
    if (c < 0) continue;
    if (count[static_cast<std::size_t>(c)]++ == 0) first[static_cast<std::size_t>(c)] = v;
  }
  for (std::size_t c = 0; c < cells.size() && static_cast<int>(c) <= lai_cell; ++c) {
    if (count[c] == 1) continue;
    const std::string column = t.column(static_cast<int>(c));
    if (count[c] == 0) {
      code = "empty-cell";
      return "the cell of " + column + " is empty (laifit passes over empty cells)";
    }
    if (first[c] != nullptr && first[c]->separator == ',' && cells[c].text.find(',') != std::string::npos) {
      code = "decimal-comma";
      return column + " holds " + shown(cells[c].text) + ", whose decimal comma splits it into two values";
    }
    code = "cell-with-blank";
    return column + " holds " + shown(cells[c].text) + ", which laifit reads as " + std::to_string(count[c]) +
           " values";
  }
  if (static_cast<int>(cells.size()) <= lai_cell) {
    code = "short-row";
    return "the line has only " + count_of(cells.size(), "cell", "cells");
  }
  code = "shifted";
  return "its cells do not line up with the header";
}

struct RowProblem {
  std::int64_t line;
  std::string text;
  std::string written = "";  // the cell at fault, as written
};

// Grouped by kind, so that a table written the same wrong way on every line gives one warning.
using RowProblems = std::map<std::string, std::vector<RowProblem>>;

// A slash before lai(n) ended the row's read.
void cut_row(const TableView& t, const TableRow& row, RowProblems& problems) {
  const auto cells = t.cells(row.line);
  int cell = -1;
  for (std::size_t c = 0; c < cells.size() && cell < 0; ++c) {
    if (cells[c].text.find('/') != std::string::npos) cell = static_cast<int>(c);
  }
  problems["slash"].push_back(
      {row.line, "line " + std::to_string(row.line) + ": " +
                     (cell >= 0 ? t.column(cell) + " holds " + shown(cells[static_cast<std::size_t>(cell)].text)
                                : std::string("the line holds a slash")) +
                     ", so laifit stops reading the row there and its lai(n) keeps the value of the row before, " +
                     shortest(row.lai)});
}

// The row ran out of values before lai(n) and took them from the lines after it.
void short_row(const TableView& t, const TableRow& row, const std::vector<const LoggedValue*>& values,
               RowProblems& problems, std::vector<std::int64_t>& taken_lines) {
  for (std::int64_t l = row.line + 1; l <= row.last_line; ++l) taken_lines.push_back(l);
  std::string code;
  const std::string why = shift_reason(t, row.line, values, t.collai - 1, code);
  const LoggedValue& v = row.lai_value;
  problems["short-row"].push_back(
      {row.line, "line " + std::to_string(row.line) + ": " + why +
                     ", so the row runs out of values before lai(n); laifit takes its LAI from line " +
                     std::to_string(v.record) + ", " + t.column(row.lai_cell) + ": " + shown(v.text) + " read as " +
                     shortest(row.lai) + " (and passes over the rest of line " + std::to_string(v.record) + ")"});
}

// The value taken as the row's LAI is not its lai(n) cell as written.
void misread_row(const TableView& t, const TableRow& row, RowProblems& problems,
                 std::vector<std::int64_t>& taken_lines) {
  if (row.cut) {
    cut_row(t, row, problems);
    return;
  }
  std::vector<const LoggedValue*> values;
  for (const LoggedValue& v : row.statement->values) values.push_back(&v);
  if (row.last_line != row.line) {
    short_row(t, row, values, problems, taken_lines);
    return;
  }
  const int lai_cell = t.collai - 1;
  const LoggedValue& v = row.lai_value;
  const auto own_cells = t.cells(row.line);
  const std::string written =
      static_cast<std::size_t>(lai_cell) < own_cells.size() ? own_cells[static_cast<std::size_t>(lai_cell)].text : "";
  if (row.lai_cell == lai_cell && v.text == written) return;  // the cell itself, as written
  if (row.lai_cell == lai_cell) {
    const bool comma = v.separator == ',' && written.find(',') != std::string::npos;
    problems[comma ? "decimal-comma" : "cell-with-blank"].push_back(
        {row.line,
         "line " + std::to_string(row.line) + ": lai(n) " + shown(written) + " is read as " + shortest(row.lai),
         written});
    return;
  }
  std::string code;
  const std::string why = shift_reason(t, row.line, values, lai_cell, code);
  problems[code].push_back({row.line, "line " + std::to_string(row.line) + ": " + why +
                                          ", so laifit takes lai(n) from " + t.column(row.lai_cell) + ": " +
                                          shown(v.text) + " read as " + shortest(row.lai) +
                                          (written.empty() ? "" : " instead of " + shown(written))});
}

void report_row_problems(const TableView& t, const RowProblems& problems, Findings& f) {
  struct Kind {
    const char* code;
    const char* what;
  };
  static const Kind kinds[] = {
      {"decimal-comma", "decimal commas: laifit reads a comma as a separator between two values"},
      {"empty-cell",
       "empty cells before lai(n): laifit passes over them, so the values that follow move one column to the left"},
      {"cell-with-blank", "cells with a blank inside, which laifit reads as two values"},
      {"short-row", "rows with fewer values than the column of lai(n): laifit goes on reading in the next line"},
      {"slash", "a slash before lai(n): in laifit's reading, a slash ends the row"},
      {"shifted", "rows whose values do not line up with the header's columns"},
  };
  for (const Kind& k : kinds) {
    const auto it = problems.find(k.code);
    if (it == problems.end()) continue;
    std::vector<std::int64_t> lines;
    for (const RowProblem& p : it->second) lines.push_back(p.line);
    std::string what = std::string(k.what) + ". ";
    const std::size_t shown_examples = std::min<std::size_t>(it->second.size(), 3);
    for (std::size_t e = 0; e < shown_examples; ++e) what += (e > 0 ? "; " : "") + it->second[e].text;
    if (it->second.size() > shown_examples) what += "; and so on";
    what += ".";
    std::string example = it->second.front().written;
    std::string detail;
    if (std::string_view(k.code) == "decimal-comma" && example.find(',') != std::string::npos) {
      example[example.find(',')] = '.';
      detail = "here " + example;
    }
    f.add(k.code, t.name + " " + line_list(lines), what, detail);
  }
}

void check_failed_row(const TableView& t, Findings& f) {
  if (t.failed == nullptr || t.failed->values.empty()) return;
  const LoggedValue& bad = t.failed->values.back();
  const int cell = t.cell_at(bad.record, bad.column);
  const bool date = bad.item <= kDateColumns;
  const auto cells = t.cells(bad.record);
  const std::string written = cell >= 0 && static_cast<std::size_t>(cell) < cells.size()
                                  ? cells[static_cast<std::size_t>(cell)].text
                                  : bad.text;
  f.add(
      "not-a-number", t.name + " line " + std::to_string(bad.record) + ", " + t.column(cell),
      shown(written) + " is not " + (date ? "a whole number" : "a number") + ", and laifit reads the table no further.",
      date ? "the date columns are whole numbers" : "");
}

void check_long_lines(const TableView& t, Findings& f) {
  std::vector<std::int64_t> all;
  for (const auto& [l, longer] : t.longer) {
    if (l > 1 && longer) all.push_back(l);
  }
  if (all.empty()) return;
  f.add("long-line", t.name + " " + line_list(all),
        "longer than 200 characters: laifit reads the first 200 of each line only.");
}

void check_rows(const TableView& t, Findings& f) {
  if (t.collai <= kDateColumns) return;
  RowProblems problems;
  std::vector<std::int64_t> taken_lines;  // lines consumed by a short row before them
  for (const TableRow& row : t.rows) misread_row(t, row, problems, taken_lines);
  report_row_problems(t, problems, f);
  if (!taken_lines.empty()) {
    f.add("line-not-read", t.name + " " + line_list(taken_lines),
          "not read as a row: the short row before it took values from it, and laifit passes over the rest.");
  }
  check_failed_row(t, f);
  check_long_lines(t, f);
}

// Lines of the rows that pass the test, and an example of the first.
struct RowList {
  std::vector<std::int64_t> lines;
  std::string example;
  void take(const TableRow& r, std::string example_text) {
    lines.push_back(r.line);
    if (example.empty()) example = std::move(example_text);
  }
};

// Whether laifit took the row's LAI from its own lai(n) cell.
bool lai_in_place(const TableView& t, const TableRow& r) { return !r.cut && r.lai_cell == t.collai - 1; }

// Years beside the sowing year and the next.
void check_row_years(const TableView& t, Findings& f) {
  const std::int32_t ansemis = t.rows.front().date[0];
  RowList other;
  for (const TableRow& r : t.rows) {
    if (r.date[0] != ansemis && r.date[0] != next_year(ansemis)) {
      other.take(r, "line " + std::to_string(r.line) + " is of " + std::to_string(r.date[0]));
    }
  }
  if (other.lines.empty()) return;
  f.add("row-year", t.name + " " + line_list(other.lines),
        "the year is neither the sowing year " + std::to_string(ansemis) + " (the year of the first row, line " +
            std::to_string(t.rows.front().line) + ") nor the next (" + other.example +
            "): laifit counts any other year as the next one, so these rows land on the wrong days.");
}

// The month and day against the calendar, and the day of the year against the date.
void check_row_days(const TableView& t, Findings& f) {
  RowList no_date, bad_day;
  for (const TableRow& r : t.rows) {
    const auto [year, month, day, doy] = r.date;
    if (month < 1 || month > 12 || day < 1 || day > days_in_month(year, month)) {
      no_date.take(r, "line " + std::to_string(r.line) + " gives day " + std::to_string(day) + " of month " +
                          std::to_string(month));
      continue;
    }
    const std::int32_t expected = njan(year, month, day, 0);
    if (expected != doy) {
      bad_day.take(r, "line " + std::to_string(r.line) + " says day " + std::to_string(doy) + " for " +
                          dmy(Date{year, month, day}) + ", which is day " + std::to_string(expected));
    }
  }
  if (!no_date.lines.empty()) {
    f.add("row-date", t.name + " " + line_list(no_date.lines),
          "the month and the day are no date (" + no_date.example +
              "): laifit places a row by its day of the year (column 4) alone, so nothing checks them.");
  }
  if (!bad_day.lines.empty()) {
    f.add("day-of-year", t.name + " " + line_list(bad_day.lines),
          "the day of the year (column 4) does not match the date (" + bad_day.example +
              "): laifit places a row by its day of the year alone.");
  }
}

// Values too large to be a leaf area index, or beyond the range of a real.
void check_lai_values(const TableView& t, Findings& f) {
  RowList large, infinite;
  for (const TableRow& r : t.rows) {
    if (!lai_in_place(t, r)) continue;
    const std::string example = "line " + std::to_string(r.line) + ": " + shown(r.lai_value.text);
    if (!std::isfinite(r.lai)) {
      infinite.take(r, example);
    } else if (r.lai >= Thresholds::largest_lai) {
      large.take(r, example);
    }
  }
  if (!large.lines.empty()) {
    f.add("lai-too-large", t.name + " " + line_list(large.lines),
          "lai(n) of " + fixed(Thresholds::largest_lai, 0) + " or more (" + large.example +
              "), which is no leaf area index; the fit will follow it.");
  }
  if (!infinite.lines.empty()) {
    f.add("lai-not-finite", t.name + " " + line_list(infinite.lines),
          "lai(n) is beyond the range of a real (" + infinite.example +
              "): laifit reads it as infinite or undefined, and the fit is meaningless.");
  }
}

// Rows whose every cell repeats an earlier row (a block pasted twice).
void check_repeated_rows(const TableView& t, Findings& f) {
  std::map<std::string, std::int64_t> first_of;
  RowList repeated;
  for (const TableRow& r : t.rows) {
    const auto text = t.lines.find(r.line);
    if (text == t.lines.end() || r.last_line != r.line) continue;
    std::string cells;
    for (const Cell& c : t.cells(r.line)) cells += c.text + ";";
    const auto [at, fresh] = first_of.emplace(cells, r.line);
    if (!fresh) repeated.take(r, "line " + std::to_string(r.line) + " repeats line " + std::to_string(at->second));
  }
  if (repeated.lines.empty()) return;
  f.add("repeated-row", t.name + " " + line_list(repeated.lines),
        "every cell repeats an earlier row (" + repeated.example +
            "): laifit takes each copy as one more observation, so the fit weighs these dates twice.");
}

// A zero LAI with a positive one before it and after it: a missing value typed as 0.
void check_zero_between(const TableView& t, Findings& f) {
  RowList zeros;
  const TableRow* last_positive = nullptr;
  std::vector<const TableRow*> pending;  // zero rows since the last positive one
  for (const TableRow& r : t.rows) {
    if (!lai_in_place(t, r) || r.lai < 0.0f || !std::isfinite(r.lai)) continue;  // a missing value
    if (r.lai == 0.0f) {
      if (last_positive != nullptr) pending.push_back(&r);
      continue;
    }
    const bool canopy =
        r.lai >= Thresholds::canopy_lai && last_positive != nullptr && last_positive->lai >= Thresholds::canopy_lai;
    for (const TableRow* z : canopy ? pending : std::vector<const TableRow*>{}) {
      zeros.take(*z, "line " + std::to_string(z->line) + " between lines " + std::to_string(last_positive->line) +
                         " and " + std::to_string(r.line));
    }
    pending.clear();
    last_positive = &r;
  }
  if (zeros.lines.empty()) return;
  f.add("zero-between", t.name + " " + line_list(zeros.lines),
        "an LAI of 0 between two of " + fixed(Thresholds::canopy_lai, 1) + " or more (" + zeros.example +
            "): laifit fits it as a measured bare field, which pulls the curve down in the middle of the season.");
}

void check_dates(const TableView& t, Findings& f) {
  if (t.rows.empty()) return;
  check_row_years(t, f);
  check_row_days(t, f);
  check_lai_values(t, f);
  check_repeated_rows(t, f);
  check_zero_between(t, f);
}

}  // namespace

void check_table(const Gathered& g, const TableView& t, Findings& f) {
  if (!t.header_read) return;
  check_header(g, t, f);
  check_rows(t, f);
  check_dates(t, f);
}

}  // namespace laifit::inspect
