#pragma once
// The catalogue of malformed inputs: each a change to the example folder, with the exit path that laifit
// takes (its status, standard error and screen). The laifit binary is checked against every case, and
// the inspector is run on the same folders.

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/read_file.hpp"
#include "support/run_folder.hpp"

namespace laifit::testing {

inline std::string example(const std::string& name) {
  return platform::read_file(std::filesystem::path(LAIFIT_EXAMPLE_DIR) / name).value_or("");
}

// The example folder: a one-year fit of four parameters.
inline std::map<std::string, std::string> example_inputs() {
  return {{"param.soj", example("param.soj")},
          {"obs2011.csv", example("obs2011.csv")},
          {"beauce.2011", example("beauce.2011")}};
}

inline std::string replace_line(const std::string& text, int line, const std::string& with) {
  std::string out;
  std::istringstream in(text);
  int k = 1;
  for (std::string l; std::getline(in, l); ++k) out += (k == line ? with : l) + "\n";
  return out;
}

inline std::string garbage(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

struct BadInput {
  const char* what;
  std::function<void(std::map<std::string, std::string>&)> change;
  int status;
  std::string errors;  // pattern of standard error (glob_match; "" = nothing, kNote = at most the note)
  std::string screen;  // text the screen must contain ("" = no check)
  std::function<void(const RunFolder&)> prepare = nullptr;
  std::string screen_target = "";
};

// Writes the example's inputs into folder as c changes them, then c's own preparation of the folder.
inline void write_inputs(RunFolder& folder, const BadInput& c) {
  auto inputs = example_inputs();
  c.change(inputs);
  for (const auto& [name, content] : inputs) folder.write(name, content);
  if (c.prepare) c.prepare(folder);
}

inline std::string diagnostic(const std::string& file, const std::string& cause) {
  return "At line * of file * (unit = *, file = '" + file + "')\nError: " + cause + "\n";
}

// A completed run: standard error holds nothing or the one line of the floating-point note.
inline const std::string kNote = "note";
inline bool errors_as_expected(const std::string& errors, const std::string& pattern) {
  if (pattern == kNote) {
    return errors.empty() || (glob_match(errors, "Note: The following floating-point exceptions are signalling: *\n") &&
                              errors.find('\n') == errors.size() - 1);
  }
  return glob_match(errors, pattern);
}

inline std::vector<BadInput> bad_inputs() {
  const std::string ten_mb(10 * 1024 * 1024, 'y');
  return {
      {"run description cut after the emergence date",
       [](auto& f) { f["param.soj"] = f["param.soj"].substr(0, f["param.soj"].find("20/04/2011") + 11); }, 2,
       diagnostic("param.soj", "End of file"), ""},
      {"observation table cut in the middle of a row",
       [](auto& f) { f["obs2011.csv"] = f["obs2011.csv"].substr(0, f["obs2011.csv"].size() - 9); }, 0, kNote, ""},
      {"climate file cut in the middle of a record",
       [](auto& f) { f["beauce.2011"] = f["beauce.2011"].substr(0, f["beauce.2011"].size() - 12); }, 0, kNote, ""},
      {"binary garbage as the run description", [](auto& f) { f["param.soj"] = garbage(3000, 1); }, 2,
       "At line * of file * (unit = *, file = '*')\nError: *\n", ""},
      {"binary garbage as the observation table", [](auto& f) { f["obs2011.csv"] = garbage(5000, 2); }, 2, "",
       " error- obs2011.csv: no column named lai(n)"},
      {"binary garbage as the climate file", [](auto& f) { f["beauce.2011"] = garbage(20000, 3); }, 2,
       diagnostic("beauce.2011", "Bad * item * list input"), ""},
      {"a 10 MB first line of the run description",
       [ten_mb](auto& f) { f["param.soj"] = replace_line(f["param.soj"], 1, "beauce.2011 " + ten_mb); }, 0, kNote, ""},
      {"a 10 MB line in the climate file",
       [ten_mb](auto& f) {
         f["beauce.2011"] = replace_line(f["beauce.2011"], 1, "beauce 2011 1 1 1 0.5 6.2 0.8 0.3 0.0 " + ten_mb);
       },
       0, kNote, ""},
      {"a 10 MB number in the climate file",
       [](auto& f) {
         f["beauce.2011"] = replace_line(f["beauce.2011"], 1,
                                         "beauce 2011 1 1 1 " + std::string(10 << 20, '0') + "0.5 6.2 0.8 0.3 0.0");
       },
       0, kNote, ""},
      {"a NUL byte in a file name",
       [](auto& f) { f["param.soj"] = replace_line(f["param.soj"], 3, std::string("obs\0.csv", 8)); }, 2,
       diagnostic("obs?.csv", "Cannot open file 'obs?.csv': Invalid argument"), ""},
      {"NUL bytes in the climate file",
       [](auto& f) {
         f["beauce.2011"] = replace_line(f["beauce.2011"], 200, std::string("beauce 2011 7 19 200 1\0 5.0 1 1 1", 34));
       },
       2, diagnostic("beauce.2011", "Bad real number in item 6 of list input"), ""},
      {"a file name of 30 characters",
       [](auto& f) {
         f["obs_of_the_field_2011_plot.csv"] = f["obs2011.csv"];
         f["param.soj"] = replace_line(f["param.soj"], 3, "obs_of_the_field_2011_plot.csv");
       },
       0, kNote, ""},
      {"a file name of 31 characters is cut to 30",
       [](auto& f) {
         f["obs_of_the_field_2011_plot1.csv"] = f["obs2011.csv"];
         f["param.soj"] = replace_line(f["param.soj"], 3, "obs_of_the_field_2011_plot1.csv");
       },
       2,
       diagnostic("obs_of_the_field_2011_plot1.cs",
                  "Cannot open file 'obs_of_the_field_2011_plot1.cs': No such file or directory"),
       ""},
      {"a quoted name with blanks",
       [](auto& f) {
         f["obs 2011.csv"] = f["obs2011.csv"];
         f["param.soj"] = replace_line(f["param.soj"], 3, "'obs 2011.csv'");
       },
       0, kNote, ""},
      {"a quoted name with a slash into a missing folder",
       [](auto& f) { f["param.soj"] = replace_line(f["param.soj"], 3, "'nowhere/obs.csv'"); }, 2,
       diagnostic("nowhere/obs.csv", "Cannot open file 'nowhere/obs.csv': No such file or directory"), ""},
      {"an output name that is an existing folder",
       [](auto& f) { f["param.soj"] = replace_line(f["param.soj"], 4, "outdir"); }, 2,
       diagnostic("outdir", "Cannot open file 'outdir': Is a directory"), "",
       [](const RunFolder& folder) { std::filesystem::create_directory(folder.dir() / "outdir"); }},
      {"CR-only line ends in the run description",
       [](auto& f) { std::replace(f["param.soj"].begin(), f["param.soj"].end(), '\n', '\r'); }, 2,
       diagnostic("param.soj", "End of file"), ""},
      {"CR-only line ends in the observation table: one header record and no row",
       [](auto& f) { std::replace(f["obs2011.csv"].begin(), f["obs2011.csv"].end(), '\n', '\r'); }, 0, kNote, ""},
      {"a climate file with a text header",
       [](auto& f) { f["beauce.2011"] = "station an mois jour jul tn tx rg etp rr\n" + f["beauce.2011"]; }, 2,
       diagnostic("beauce.2011", "Bad integer for item 2 in list input"), ""},
      {"negative and huge temperatures",
       [](auto& f) {
         f["beauce.2011"] = replace_line(f["beauce.2011"], 150, "beauce 2011 5 30 150 -1e30 -1e30 1 1 1");
         f["beauce.2011"] = replace_line(f["beauce.2011"], 151, "beauce 2011 5 31 151 1e38 3e38 1 1 1");
       },
       0, kNote, ""},
      {"climate day number 9999",
       [](auto& f) { f["beauce.2011"] = replace_line(f["beauce.2011"], 200, "beauce 2011 7 19 9999 10 20 1 1 1"); }, 2,
       "", " error- beauce.2011: day 9999 gives day number 9999, outside the 800-day table"},
      {"climate day number 0",
       [](auto& f) { f["beauce.2011"] = replace_line(f["beauce.2011"], 200, "beauce 2011 7 19 0 10 20 1 1 1"); }, 2, "",
       " error- beauce.2011: day 0 gives day number 0, outside the 800-day table"},
      {"an empty run description", [](auto& f) { f["param.soj"] = ""; }, 2, diagnostic("param.soj", "End of file"), ""},
      {"an empty observation table", [](auto& f) { f["obs2011.csv"] = ""; }, 2,
       diagnostic("obs2011.csv", "End of file"), ""},
      {"an empty climate file", [](auto& f) { f["beauce.2011"] = ""; }, 0, kNote, ""},
      {"an absent observation table", [](auto& f) { f.erase("obs2011.csv"); }, 2,
       diagnostic("obs2011.csv", "Cannot open file 'obs2011.csv': No such file or directory"), ""},
      {"an absent climate file", [](auto& f) { f.erase("beauce.2011"); }, 2,
       diagnostic("beauce.2011", "Cannot open file 'beauce.2011': No such file or directory"), ""},
      {"the LAI file named like the run description",
       [](auto& f) { f["param.soj"] = replace_line(f["param.soj"], 4, "param.soj"); }, 2, "",
       " error- param.soj: the interpolated LAI file param.soj is the input file param.soj; give it another name"},
      {"the LAI file named like the observation table",
       [](auto& f) { f["param.soj"] = replace_line(f["param.soj"], 4, "obs2011.csv"); }, 2, "",
       " error- param.soj: the interpolated LAI file obs2011.csv is the input file obs2011.csv"},
      {"the LAI file naming the climate file by another spelling",
       [](auto& f) { f["param.soj"] = replace_line(f["param.soj"], 4, "'./beauce.2011'"); }, 2, "",
       " error- param.soj: the interpolated LAI file ./beauce.2011 is the input file beauce.2011"},
  };
}

// A pipe as an input file and a device that refuses the screen's bytes: POSIX systems only.
inline std::vector<BadInput> posix_bad_inputs() {
#ifdef _WIN32
  return {};
#else
  return {
      {"an observation table that is a pipe", [](auto&) {}, 2,
       diagnostic("obs2011.csv", "Cannot open file 'obs2011.csv': not a regular file"), "",
       [](const RunFolder& folder) {
         std::filesystem::remove(folder.dir() / "obs2011.csv");
         ::mkfifo((folder.dir() / "obs2011.csv").c_str(), 0600);
       }},
      {"the screen going to /dev/full", [](auto&) {}, 2,
       diagnostic("stdout", "Cannot write to file: No space left on device"), "", nullptr, "/dev/full"},
  };
#endif
}

}  // namespace laifit::testing
