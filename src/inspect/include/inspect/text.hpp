#pragma once
// Small pieces of the inspector's wording: numbers as a person reads them, dates, quoted values and
// lists of line numbers.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace laifit::inspect {

// v with exactly `decimals` decimals ("-0.25"); "nan", "inf" and "-inf" for the others.
std::string fixed(double v, int decimals);
// The shortest text that reads back as the same float ("0.01", "1950", "1e-05").
std::string shortest(float v);
// v with `digits` significant digits, in fixed notation when that stays short.
std::string significant(double v, int digits);

// The one rule for bytes taken from a folder before they reach a person: control characters (C0, DEL and
// C1), the noncharacters U+FFFE and U+FFFF and bytes that are not valid UTF-8 are written \xHH, byte by
// byte; everything else is kept. With keep_newlines, a line feed stays a line feed (whole report texts).
std::string escaped(std::string_view text, bool keep_newlines = false);
// escaped() for XML text and attribute values: also <, &, >, " and ' as entities, so that nothing from a
// folder can end an element or an attribute (XML 1.0 admits no C0 character even as a reference).
std::string escaped_xml(std::string_view text, bool keep_newlines = false);

// A text cell of RFC 4180 CSV: escaped(), kept from being read as a formula by a spreadsheet (a ' before
// a leading =, +, - or @), and quoted when it holds a comma or a quote.
std::string csv_cell(std::string_view text);

// A value as written, in double quotes, escaped().
std::string shown(std::string_view text);

// text with its ASCII capitals made small.
std::string lower(std::string_view text);

struct Date {
  int year = 0;
  int month = 0;
  int day = 0;
};
// The calendar date of a day number counted from 1 January of sowing_year (days of the following year
// go on from 366 or 367), with laifit's leap years: every year divisible by 4. Day numbers out of the
// two years give the nearest year's day beyond its end.
Date date_of_day(std::int32_t sowing_year, std::int32_t day_number);
std::string dmy(const Date& d);  // 20/04/2011
std::string iso(const Date& d);  // 2011-04-20

// "line 5", "lines 3 to 6 and 9", "lines 2, 4, 6, 8, 10, 12 and 7 more".
std::string line_list(const std::vector<std::int64_t>& lines, std::string_view word = "line");

// The year after y, without overflow on absurd input.
inline std::int64_t next_year(std::int32_t y) { return std::int64_t{y} + 1; }

// The parts joined: literals, strings and views alike.
template <class... Parts>
std::string cat(const Parts&... parts) {
  std::string s;
  (s.append(std::string_view(parts)), ...);
  return s;
}

// "1 row", "3 rows".
std::string count_of(std::size_t n, std::string_view one, std::string_view many);

}  // namespace laifit::inspect
