#include "driver/extraction.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "records/failure.hpp"
#include "records/list_input.hpp"
#include "state/units_of_run.hpp"

namespace laifit {
namespace {

constexpr Format kLineFormat("(200a1)");

constexpr std::size_t kScanned = 100;  // header characters examined
constexpr std::size_t kKeptWord = 12;  // characters of a header word that are compared
constexpr int kDateColumns = 4;

}  // namespace

std::vector<HeaderWord> header_words(std::span<const char> header, std::size_t scanned) {
  std::vector<HeaderWord> words;
  std::string word;
  int icol = 1;
  for (std::size_t p = 0; p < scanned && p < header.size(); ++p) {
    const char c = header[p];
    if (c == ';' || c == ' ') {
      words.push_back(HeaderWord{word, icol, p});
      word.clear();
      ++icol;
    } else {
      word.push_back(c);
    }
  }
  return words;
}

int find_lai_column(const std::array<char, 200>& header) {
  for (const HeaderWord& word : header_words(header, kScanned)) {
    if (word.text.substr(0, kKeptWord) == "lai(n)") return word.column;
  }
  return 0;
}

void extract_observations(Units& units, std::string_view ficobs) {
  std::array<char, 200> entete;
  InputChannel& table = units.open_input(unit::kObsTable, ficobs);
  read_fixed(table, kLineFormat, {Dest::characters(entete)});

  const int collai = find_lai_column(entete);
  if (collai == 0) {
    throw Refusal("error- " + std::string(ficobs) +
                  ": no column named lai(n) among the first 100 characters of the header line");
  }
  if (collai <= kDateColumns) {
    throw Refusal("error- " + std::string(ficobs) + ": the column lai(n) is column " + std::to_string(collai) +
                  ", but the first four columns hold the date");
  }
  table.step_back();

  OutputChannel& copy = units.open_output(unit::kTempobs2, "tempobs2.txt");
  while (read_fixed_or_end(table, kLineFormat, {Dest::characters(entete)})) {
    // memchr finds the few ';' among the blanks that pad most of the line.
    char* const end = entete.data() + entete.size();
    for (char* at = entete.data(); (at = static_cast<char*>(std::memchr(at, ';', std::size_t(end - at)))) != nullptr;)
      *at++ = ' ';
    copy.write(kLineFormat, {Item::characters(entete)});
  }
  units.close(unit::kTempobs2);

  std::array<float, 200> valeur{};
  std::array<std::int32_t, 4> idate{};
  InputChannel& rows = units.open_input(unit::kTempobs2, "tempobs2.txt");
  OutputChannel& narrow = units.open_output(unit::kTempobs, "tempobs.txt", Units::Empty::at_open);
  const auto values = std::span<float>(valeur).first(static_cast<std::size_t>(collai - kDateColumns));
  if (read_list_or_end(rows, {})) {  // the header
    while (read_list_or_end(rows, {std::span<std::int32_t>(idate), values})) {
      narrow.write_list({std::span<const std::int32_t>(idate), values.back()});
    }
  }
  units.close(unit::kTempobs2);
  units.close(unit::kTempobs);
}

}  // namespace laifit
