#include <charconv>

#include "inspect/inspect.hpp"

namespace laifit::inspect {

std::string version() { return "laifit-inspect " LAIFIT_VERSION "\n"; }

std::string usage() {
  return "usage: laifit-inspect [--csv FILE] [--svg FILE] [--quiet] [--] [FOLDER]\n"
         "       laifit-inspect [--summary FILE] [--html FILE] [-j N] [--quiet] [--tree DIR] [--] [FOLDER...]\n"
         "\n"
         "Tells what laifit will do with the run folder FOLDER (the current directory by default) and what the\n"
         "fit did: it reads the folder with laifit's own readers, recomputes the run with laifit's own code on a\n"
         "copy of the folder held in memory, and reports in the terms of the files (file, line, column, the value\n"
         "as written, what laifit reads, how to fix it). It creates or writes no file unless an option names one.\n"
         "\n"
         "  --csv FILE   write the observations against the fit as CSV (RFC 4180: comma, '.' decimals, CR LF)\n"
         "  --svg FILE   write the picture of the fit as SVG\n"
         "  --tree DIR   inspect every folder below DIR that holds a param.soj (links to folders not followed)\n"
         "  --summary FILE  write one CSV row per folder (RFC 4180): status, findings, parameters, fit\n"
         "  --html FILE  write one self-contained page: the summary, then each folder's findings, picture and table\n"
         "  -j N         inspect N folders at once (default: one per core)\n"
         "  --quiet      print the warnings only (nothing when there is nothing to warn about); the notes on\n"
         "               how the fit came out and the tables are left out, the exit status is the same\n"
         "  --help       print this text\n"
         "  --version    print the version\n"
         "  --           end of the options: what follows is the folder, even if it begins with '-'\n"
         "\n"
         "Exit status: 0 nothing to warn about (notes do not count), 1 warnings, 2 the folder cannot be\n"
         "inspected (no param.soj, an unreadable folder) or an output file cannot be written; with several folders,\n"
         "the worst of them.\n";
}

Arguments parse_arguments(std::span<const std::string_view> args) {
  Arguments a;
  bool options_ended = false;  // after "--" every argument is a folder, even one that begins with '-'
  const auto looks_like_option = [](std::string_view arg) { return arg.size() > 1 && arg.front() == '-'; };
  for (std::size_t k = 0; k < args.size() && a.error.empty(); ++k) {
    const std::string_view arg = args[k];
    // An option's file name may not look like an option: "--svg --quiet" is a forgotten name, not a
    // file called "--quiet" (a name of that form can be written "./--quiet").
    auto value = [&](std::optional<std::filesystem::path>& into) {
      if (k + 1 >= args.size() || looks_like_option(args[k + 1])) {
        a.error = std::string(arg) + " needs a file name";
        return;
      }
      into = std::filesystem::path(std::string(args[++k]));
    };
    if (!options_ended && arg == "--") {
      options_ended = true;
    } else if (!options_ended && (arg == "--help" || arg == "-h")) {
      a.help = true;
    } else if (!options_ended && arg == "--version") {
      a.version = true;
    } else if (!options_ended && arg == "--csv") {
      value(a.options.csv);
    } else if (!options_ended && arg == "--svg") {
      value(a.options.svg);
    } else if (!options_ended && (arg == "--quiet" || arg == "-q")) {
      a.options.quiet = true;
    } else if (!options_ended && arg == "--summary") {
      value(a.summary);
    } else if (!options_ended && arg == "--html") {
      value(a.html);
    } else if (!options_ended && arg == "--tree") {
      value(a.tree);
    } else if (!options_ended && arg == "-j") {
      std::optional<std::filesystem::path> n;
      value(n);
      if (n) {
        const std::string text = n->string();
        unsigned jobs = 0;
        const auto r = std::from_chars(text.data(), text.data() + text.size(), jobs);
        if (r.ec != std::errc() || r.ptr != text.data() + text.size() || jobs == 0 || jobs > 256) {
          a.error = "-j needs a number of inspections at once, 1 to 256: " + text;
        }
        a.jobs = jobs;
      }
    } else if (!options_ended && looks_like_option(arg)) {
      a.error = "unknown option " + std::string(arg);
    } else {
      a.folders.emplace_back(std::string(arg));
    }
  }
  if (a.folders.size() == 1) a.options.folder = a.folders.front();
  if (a.error.empty() && a.many() && (a.options.csv || a.options.svg)) {
    a.error = "--csv and --svg take one folder; for several, --html holds every picture and table";
  }
  return a;
}

}  // namespace laifit::inspect
