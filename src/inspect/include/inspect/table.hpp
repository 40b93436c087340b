#pragma once
// The observation table as laifit reads it, set against the table as its author wrote it: the header's
// words and the column of lai(n); each data row with the four date values and the value that laifit
// takes as its LAI, and the cell (column) of the table that value came from.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "driver/extraction.hpp"
#include "inspect/findings.hpp"
#include "inspect/gather.hpp"

namespace laifit::inspect {

// A cell of a table line: the characters between two semicolons.
struct Cell {
  std::string text;  // without the blanks around it
  std::size_t begin = 0;
  std::size_t end = 0;
};

struct TableRow {
  std::int64_t line = 0;               // the table line on which laifit began to read the row
  std::int64_t last_line = 0;          // the line its last value came from (a short row goes on in the next)
  std::array<std::int32_t, 4> date{};  // year, month, day of the month, day of the year, as read
  float lai = 0.0f;
  LoggedValue lai_value;  // the value that laifit takes as the row's LAI
  int lai_cell = -1;      // its cell (from 0) on its line, lai_value.record
  bool cut = false;       // a slash ended the read before lai(n): the row keeps the LAI of the row before
  const LoggedStatement* statement = nullptr;  // the read that took the row
};

struct TableView {
  std::string name;
  bool header_read = false;
  std::string header;                         // the header's first 200 characters, as the run read them
  std::vector<HeaderWord> words;              // the header's words within those 200 characters
  int collai = 0;                             // the column of lai(n) that laifit found, 0 for none
  std::map<std::int64_t, std::string> lines;  // the first 200 characters of every line, by line number
  std::map<std::int64_t, bool> longer;        // lines longer than 200 characters
  std::vector<TableRow> rows;                 // in the order of "tempobs.txt"
  const LoggedStatement* failed = nullptr;    // the row statement on which the run stopped

  std::vector<Cell> cells(std::int64_t line) const;
  // The cell of line holding the character at column, from 0.
  int cell_at(std::int64_t line, std::size_t column) const;
  // "column lai(n)": the header's name of cell (from 0), or its number when the header has no word there.
  std::string column(int cell) const;
};

TableView table_view(const Gathered& g);

// Header, rows, years, the day of the year, and the values that laifit takes as LAI.
void check_table(const Gathered& g, const TableView& table, Findings& findings);

}  // namespace laifit::inspect
