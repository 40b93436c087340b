#include "inspect/table.hpp"

#include <algorithm>
#include <cmath>

#include "driver/njan.hpp"
#include "inspect/text.hpp"
#include "state/units_of_run.hpp"

namespace laifit::inspect {
namespace {

constexpr std::size_t kRecord = 200;   // characters of a line that laifit keeps
constexpr std::size_t kScanned = 100;  // characters of the header searched for lai(n)
constexpr int kDateColumns = 4;
// Above this, a value is not a leaf area index but another column's number (a year, a density).
constexpr double kLargestLai = 20.0;

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

// Header: lai(n) not found (and what comes close), among the date columns, after an empty word.
void check_header(const Gathered& g, const TableView& t, Findings& f) {
  const std::string where = t.name + " line 1 (the header)";
  if (t.collai == 0) {
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
    std::string what = "laifit finds no column named lai(n) in the header and stops (exit status 2).";
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
    f.warn("header-no-lai", where, what,
           "name the LAI column exactly lai(n), separate the header's words by ';', and keep lai(n) within the "
           "first 100 characters of the line");
    f.explain_stop();
    return;
  }
  if (t.collai <= kDateColumns) {
    f.warn("header-lai-in-date", where,
           "lai(n) is column " + std::to_string(t.collai) +
               ", but the first four columns must be the year, the month, the day and the day of the year; laifit "
               "stops (exit status 2).",
           "put the four date columns first, then the other columns");
    f.explain_stop();
    return;
  }
  for (const HeaderWord& w : t.words) {
    if (w.column >= t.collai) break;
    if (w.text.empty()) {
      const std::string before = w.column > 1 ? t.words[static_cast<std::size_t>(w.column - 2)].text : "";
      f.warn("header-empty-word", where,
             "column " + std::to_string(w.column) + " of the header has no name" +
                 (before.empty() ? "" : " (after " + before + ")") +
                 ": two separators in a row count as a column, so laifit takes lai(n) as column " +
                 std::to_string(t.collai) + " and reads that column of every row.",
             "give every column a name, with exactly one ';' between two names");
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

void check_rows(const TableView& t, Findings& f) {
  if (t.collai <= kDateColumns) return;
  const int lai_cell = t.collai - 1;
  // Grouped by kind, so that a table written the same wrong way on every line gives one warning.
  std::map<std::string, std::vector<RowProblem>> problems;
  std::vector<std::int64_t> taken_lines;  // lines consumed by a short row before them

  for (const TableRow& row : t.rows) {
    if (row.cut) {
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
      continue;
    }
    std::vector<const LoggedValue*> values;
    for (const LoggedValue& v : row.statement->values) values.push_back(&v);
    const LoggedValue& v = row.lai_value;
    const std::string read_as = shortest(row.lai);
    const auto own_cells = t.cells(row.line);
    const std::string written =
        static_cast<std::size_t>(lai_cell) < own_cells.size() ? own_cells[static_cast<std::size_t>(lai_cell)].text : "";
    if (row.last_line != row.line) {
      for (std::int64_t l = row.line + 1; l <= row.last_line; ++l) taken_lines.push_back(l);
      std::string code;
      const std::string why = shift_reason(t, row.line, values, lai_cell, code);
      problems["short-row"].push_back(
          {row.line, "line " + std::to_string(row.line) + ": " + why +
                         ", so the row runs out of values before lai(n); laifit takes its LAI from line " +
                         std::to_string(v.record) + ", " + t.column(row.lai_cell) + ": " + shown(v.text) + " read as " +
                         read_as + " (and passes over the rest of line " + std::to_string(v.record) + ")"});
      continue;
    }
    if (row.lai_cell == lai_cell && v.text == written) continue;  // the cell itself, as written
    if (row.lai_cell == lai_cell) {
      const bool comma = v.separator == ',' && written.find(',') != std::string::npos;
      problems[comma ? "decimal-comma" : "cell-with-blank"].push_back(
          {row.line, "line " + std::to_string(row.line) + ": lai(n) " + shown(written) + " is read as " + read_as,
           written});
      continue;
    }
    std::string code;
    const std::string why = shift_reason(t, row.line, values, lai_cell, code);
    problems[code].push_back({row.line, "line " + std::to_string(row.line) + ": " + why +
                                            ", so laifit takes lai(n) from " + t.column(row.lai_cell) + ": " +
                                            shown(v.text) + " read as " + read_as +
                                            (written.empty() ? "" : " instead of " + shown(written))});
  }

  struct Kind {
    const char* code;
    const char* what;
    const char* fix;
  };
  static const Kind kinds[] = {
      {"decimal-comma", "decimal commas: laifit reads a comma as a separator between two values",
       "write decimals with a point (0.52), or export the table with '.' as the decimal separator"},
      {"empty-cell",
       "empty cells before lai(n): laifit passes over them, so the values that follow move one "
       "column to the left",
       "write a number in every cell up to lai(n), -999.99 for a missing LAI"},
      {"cell-with-blank", "cells with a blank inside, which laifit reads as two values",
       "remove the blank, or write one number per cell"},
      {"short-row", "rows with fewer values than the column of lai(n): laifit goes on reading in the next line",
       "give every row a value in every column up to lai(n)"},
      {"slash", "a slash before lai(n): in laifit's reading, a slash ends the row",
       "write no slash in the cells up to lai(n) (the date goes in the first four columns as numbers)"},
      {"shifted", "rows whose values do not line up with the header's columns",
       "give every row the header's columns, one value per cell"},
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
    std::string fix = k.fix;
    std::string example = it->second.front().written;
    if (std::string_view(k.code) == "decimal-comma" && example.find(',') != std::string::npos) {
      example[example.find(',')] = '.';
      fix = "write decimals with a point (" + example + "), or export the table with '.' as the decimal separator";
    }
    f.warn(k.code, t.name + " " + line_list(lines), what, fix);
  }
  if (!taken_lines.empty()) {
    f.warn("line-not-read", t.name + " " + line_list(taken_lines),
           "not read as a row: the short row before it took values from it, and laifit passes over the rest.",
           "give every row a value in every column up to lai(n)");
  }
  if (t.failed != nullptr && !t.failed->values.empty()) {
    const LoggedValue& bad = t.failed->values.back();
    const int cell = t.cell_at(bad.record, bad.column);
    const bool date = bad.item <= kDateColumns;
    const auto cells = t.cells(bad.record);
    const std::string written = cell >= 0 && static_cast<std::size_t>(cell) < cells.size()
                                    ? cells[static_cast<std::size_t>(cell)].text
                                    : bad.text;
    f.warn("not-a-number", t.name + " line " + std::to_string(bad.record) + ", " + t.column(cell),
           shown(written) + " is not " + (date ? "a whole number" : "a number") +
               ": laifit stops reading the table here (exit status 2), with no fit.",
           date ? "write the date columns as whole numbers"
                : "write a number in every cell up to lai(n); for a missing LAI write -999.99 (any negative value)");
    f.explain_stop();
  }
  for (const auto& [line, longer] : t.longer) {
    if (line > 1 && longer) {
      std::vector<std::int64_t> all;
      for (const auto& [l, b] : t.longer) {
        if (l > 1 && b) all.push_back(l);
      }
      f.note("long-line", t.name + " " + line_list(all),
             "longer than 200 characters: laifit reads the first 200 of each line only.",
             "keep lai(n) and the columns before it within the first 200 characters");
      break;
    }
  }
}

// Years beside the sowing year and the next, the day of the year against the date, values too large to
// be a leaf area index.
void check_dates(const Gathered& g, const TableView& t, Findings& f) {
  if (t.rows.empty()) return;
  const std::int32_t ansemis = t.rows.front().date[0];
  std::vector<std::int64_t> other_year, bad_day, large;
  std::vector<std::int64_t> infinite;
  std::string other_example, day_example, large_example, infinite_example;
  for (const TableRow& r : t.rows) {
    const auto [year, month, day, doy] = r.date;
    if (year != ansemis && year != next_year(ansemis)) {
      other_year.push_back(r.line);
      if (other_example.empty()) other_example = "line " + std::to_string(r.line) + " is of " + std::to_string(year);
    }
    if (month >= 1 && month <= 12 && day >= 1 && day <= 31) {
      const std::int32_t expected = njan(year, month, day, 0);
      if (expected != doy) {
        bad_day.push_back(r.line);
        if (day_example.empty()) {
          day_example = "line " + std::to_string(r.line) + " says day " + std::to_string(doy) + " for " +
                        dmy(Date{year, month, day}) + ", which is day " + std::to_string(expected);
        }
      }
    }
    if (!r.cut && r.lai >= kLargestLai && r.lai_cell == t.collai - 1 && std::isfinite(r.lai)) {
      large.push_back(r.line);
      if (large_example.empty()) large_example = "line " + std::to_string(r.line) + ": " + shown(r.lai_value.text);
    }
    if (!r.cut && r.lai_cell == t.collai - 1 && !std::isfinite(r.lai)) {
      infinite.push_back(r.line);
      if (infinite_example.empty()) {
        infinite_example = "line " + std::to_string(r.line) + ": " + shown(r.lai_value.text);
      }
    }
  }
  if (!other_year.empty()) {
    f.warn("row-year", t.name + " " + line_list(other_year),
           "the year is neither the sowing year " + std::to_string(ansemis) + " (the year of the first row, line " +
               std::to_string(t.rows.front().line) + ") nor the next (" + other_example +
               "): laifit counts any other year as the next one, so these rows land on the wrong days.",
           "check the year column; the first row's year is taken as the sowing year");
  }
  if (!bad_day.empty()) {
    f.warn("day-of-year", t.name + " " + line_list(bad_day),
           "the day of the year (column 4) does not match the date (" + day_example +
               "): laifit places a row by its day of the year alone.",
           "compute column 4 from the date (1 January = 1)");
  }
  if (!large.empty()) {
    f.warn("lai-too-large", t.name + " " + line_list(large),
           "lai(n) above " + fixed(kLargestLai, 0) + " (" + large_example +
               "), which is no leaf area index; the fit will follow it.",
           "check the column and the unit of lai(n) (m² of leaves per m² of ground)");
  }
  if (!infinite.empty()) {
    f.warn("lai-not-finite", t.name + " " + line_list(infinite),
           "lai(n) is beyond the range of a real (" + infinite_example +
               "): laifit reads it as infinite or undefined, and the fit is meaningless.",
           "write the leaf area index as a number, or a negative value such as -999.99 where it is missing");
  }
  (void)g;
}

}  // namespace

void check_table(const Gathered& g, const TableView& t, Findings& f) {
  if (!t.header_read) return;
  check_header(g, t, f);
  check_rows(t, f);
  check_dates(g, t, f);
}

}  // namespace laifit::inspect
