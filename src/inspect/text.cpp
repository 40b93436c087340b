#include "inspect/text.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "driver/njan.hpp"

namespace laifit::inspect {

std::string fixed(double v, int decimals) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  std::string s(buf, r.ptr);
  // A negative value that shows as zero is written without its sign.
  if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

std::string shortest(float v) {
  if (std::isnan(v)) return "nan";
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string significant(double v, int digits) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  if (v == 0) return "0";
  const double magnitude = std::floor(std::log10(std::fabs(v)));
  if (magnitude >= -4 && magnitude < digits + 2) {
    const int decimals = std::max(0, digits - 1 - static_cast<int>(magnitude));
    std::string s = fixed(v, decimals);
    if (s.find('.') != std::string::npos) {
      while (s.back() == '0') s.pop_back();
      if (s.back() == '.') s.pop_back();
    }
    return s;
  }
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, digits - 1);
  return std::string(buf, r.ptr);
}

namespace {

// The length of the valid UTF-8 sequence that begins text[k] (well-formed as RFC 3629 defines it: no
// overlong form, no surrogate, nothing above U+10FFFF), or 0.
std::size_t utf8_length(std::string_view text, std::size_t k) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char b = at(k);
  std::size_t n = 0;
  unsigned char lo = 0x80, hi = 0xBF;  // the range of the second byte
  if (b < 0x80) return 1;
  if (b >= 0xC2 && b <= 0xDF) {
    n = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    n = 3;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    n = 4;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (k + n > text.size()) return 0;
  if (at(k + 1) < lo || at(k + 1) > hi) return 0;
  for (std::size_t i = 2; i < n; ++i) {
    if (at(k + i) < 0x80 || at(k + i) > 0xBF) return 0;
  }
  return n;
}

// Whether the valid sequence of n bytes at text[k] is a character that is shown as bytes: a C1 control
// (U+0080 to U+009F) or U+FFFE, U+FFFF.
bool hidden_character(std::string_view text, std::size_t k, std::size_t n) {
  const std::string_view c = text.substr(k, n);
  if (n == 2) return c[0] == '\xC2' && static_cast<unsigned char>(c[1]) <= 0x9F;
  return c == "\xEF\xBF\xBE" || c == "\xEF\xBF\xBF";
}

void append_hex(std::string& out, std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out += "\\x";
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
  }
}

}  // namespace

std::string escaped(std::string_view text, bool keep_newlines) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t k = 0; k < text.size();) {
    const auto b = static_cast<unsigned char>(text[k]);
    if (b == '\n' && keep_newlines) {
      out += '\n';
      ++k;
    } else if (b < 0x20 || b == 0x7F) {
      append_hex(out, text.substr(k, 1));
      ++k;
    } else if (const std::size_t n = utf8_length(text, k); n == 0) {
      append_hex(out, text.substr(k, 1));
      ++k;
    } else {
      if (n > 1 && hidden_character(text, k, n)) {
        append_hex(out, text.substr(k, n));
      } else {
        out.append(text.substr(k, n));
      }
      k += n;
    }
  }
  return out;
}

std::string escaped_xml(std::string_view text, bool keep_newlines) {
  std::string out;
  for (const char c : escaped(text, keep_newlines)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string csv_cell(std::string_view text) {
  std::string cell = escaped(text);
  if (!cell.empty() && (cell[0] == '=' || cell[0] == '+' || cell[0] == '-' || cell[0] == '@')) cell.insert(0, "'");
  if (cell.find_first_of(",\"") == std::string::npos) return cell;
  std::string quoted = "\"";
  for (const char c : cell) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string shown(std::string_view text) { return "\"" + escaped(text) + "\""; }

Date date_of_day(std::int32_t sowing_year, std::int32_t day_number) {
  int year = sowing_year;
  std::int64_t doy = day_number;
  if (doy > days_in_year(year) && year < INT32_MAX) {
    doy -= days_in_year(year);
    ++year;
  }
  if (doy < 1) doy = 1;
  if (doy > days_in_year(year)) doy = days_in_year(year);
  int month = 12;
  while (month > 1 && njan(year, month, 1, 0) > doy) --month;
  return Date{year, month, static_cast<int>(doy - njan(year, month, 1, 0) + 1)};
}

std::string dmy(const Date& d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d.day, d.month, d.year);
  return buf;
}

std::string iso(const Date& d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
  return buf;
}

std::string line_list(const std::vector<std::int64_t>& lines, std::string_view word) {
  std::vector<std::int64_t> v = lines;
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
  if (v.empty()) return "";
  // Runs of consecutive numbers, at most eight of them shown.
  std::vector<std::string> parts;
  std::size_t shown_lines = 0;
  constexpr std::size_t kShown = 8;
  for (std::size_t i = 0; i < v.size() && parts.size() < kShown;) {
    std::size_t j = i;
    while (j + 1 < v.size() && v[j + 1] == v[j] + 1) ++j;
    if (j == i) {
      parts.push_back(std::to_string(v[i]));
    } else if (j == i + 1) {
      parts.push_back(std::to_string(v[i]));
      if (parts.size() < kShown)
        parts.push_back(std::to_string(v[j]));
      else
        --j;
    } else {
      parts.push_back(std::to_string(v[i]) + " to " + std::to_string(v[j]));
    }
    shown_lines += j - i + 1;
    i = j + 1;
  }
  std::string s(word);
  if (v.size() > 1) s += 's';
  s += ' ';
  const std::size_t more = v.size() - shown_lines;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    if (k > 0) s += (k + 1 == parts.size() && more == 0) ? " and " : ", ";
    s += parts[k];
  }
  if (more > 0) s += " and " + std::to_string(more) + " more";
  return s;
}

std::string count_of(std::size_t n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return out;
}

}  // namespace laifit::inspect
