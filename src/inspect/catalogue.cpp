#include "inspect/catalogue.hpp"

#include <algorithm>
#include <stdexcept>

namespace laifit::inspect {
namespace {

constexpr Severity W = Severity::warning;
constexpr Severity N = Severity::note;

// In the order of the report's sections: the run description, the files it names, the observation
// table, the climate files, the fit and the outputs, how the run ends.
constexpr CatalogueEntry kCatalogue[] = {
    // The inspection itself.
    {"not-recomputed", W, kGoesOn, "The fit is not recomputed",
     "name the interpolated LAI file relative to the folder"},
    // The run description.
    {"param-empty", W, 2, "The run description is empty", "write the 12 lines of the run description"},
    {"param-blank-line", W, kGoesOn, "A blank line shifts the run description",
     "remove the blank line; param.soj has one value per line, 12 lines"},
    {"param-split-line", W, kGoesOn, "A value split over two lines",
     "write the switch and the value of a parameter on the same line (for example 1 5.0)"},
    {"param-short", W, 2, "The run description ends early",
     "write the 12 lines: two climate files, the observation table, the LAI file, the emergence date, the "
     "climate-year code, the base temperature and p1 to p5"},
    {"name-split", W, kGoesOn, "A file name cut at a separator", "put a name with blanks, commas or slashes in quotes"},
    {"name-too-long", W, kGoesOn, "A file name longer than 30 characters",
     "rename the file (and this line) to at most 30 characters"},
    {"byte-order-mark", W, kGoesOn, "A byte-order mark before the first name",
     "save the file as plain text (UTF-8 without BOM, or ASCII)"},
    {"cr-line-ends", W, kGoesOn, "Lines ended by a carriage return alone", "save the file with LF or CR LF line ends"},
    {"date-unreadable", W, 2, "The emergence date is not in its columns",
     "write the date as dd/mm/yyyy with two digits for the day and the month (05/04/2011)"},
    {"date-layout", W, kGoesOn, "The emergence date is no date",
     "write the date as dd/mm/yyyy with two digits for the day and the month (05/04/2011); the day comes first"},
    {"emergence-year", W, 0, "The emergence year is out of the season",
     "check the year of the emergence date and the first row of the observation table"},
    {"param-decimal-comma", W, kGoesOn, "A decimal comma in the run description", "write decimals with a point"},
    {"param-switch", W, 2, "A parameter's switch is neither 0 nor 1",
     "write 1 to estimate the parameter, 0 to hold it at the value"},
    {"zero-start", W, kGoesOn, "An estimated parameter starts at 0",
     "give a non-zero starting value (or hold the parameter: switch 0)"},
    {"start-sign", W, kGoesOn, "A rate starts at a negative value",
     "give p2 and p4 positive starting values (a few hundredths for most crops), or hold them"},
    // The files it names.
    {"missing-file", W, 2, "A file is missing", "correct the name in param.soj"},
    {"not-a-file", W, 2, "A name that is not a file", "name an ordinary file"},
    {"empty-file", W, 2, "The observation table is empty", "name the table of the observations"},
    {"empty-climate-file", W, kGoesOn, "A climate file is empty", "name the climate file of that year"},
    {"utf16-file", W, kGoesOn, "A file in UTF-16",
     "open it in the spreadsheet and save it as text (CSV) with \";\" as the separator and UTF-8 or ASCII as the "
     "encoding"},
    {"zip-file", W, kGoesOn, "A workbook under a text file's name",
     "open it in the spreadsheet and export the sheet as text (CSV) with \";\" as the separator"},
    // The observation table.
    {"header-no-lai", W, 2, "No column lai(n)",
     "name the LAI column exactly lai(n), separate the header's words by ';', and keep lai(n) within the first "
     "100 characters of the line"},
    {"header-lai-in-date", W, 2, "lai(n) among the date columns",
     "put the four date columns first, then the other columns"},
    {"header-empty-word", W, kGoesOn, "A header column without a name",
     "give every column a name, with exactly one ';' between two names"},
    {"decimal-comma", W, kGoesOn, "Decimal commas in the table",
     "write decimals with a point (0.52), or export the table with '.' as the decimal separator"},
    {"empty-cell", W, kGoesOn, "Empty cells before lai(n)",
     "write a number in every cell up to lai(n), -999.99 for a missing LAI"},
    {"cell-with-blank", W, kGoesOn, "Cells with a blank inside", "remove the blank, or write one number per cell"},
    {"short-row", W, kGoesOn, "Rows that end before lai(n)", "give every row a value in every column up to lai(n)"},
    {"slash", W, kGoesOn, "A slash before lai(n)",
     "write no slash in the cells up to lai(n) (the date goes in the first four columns as numbers)"},
    {"shifted", W, kGoesOn, "Rows out of line with the header",
     "give every row the header's columns, one value per cell"},
    {"line-not-read", W, kGoesOn, "Lines taken up by the row before",
     "give every row a value in every column up to lai(n)"},
    {"not-a-number", W, 2, "A cell that is not a number",
     "write a number in every cell up to lai(n); for a missing LAI write -999.99 (any negative value)"},
    {"long-line", N, kGoesOn, "Lines longer than 200 characters",
     "keep lai(n) and the columns before it within the first 200 characters"},
    {"row-year", W, kGoesOn, "Rows of another year",
     "check the year column; the first row's year is taken as the sowing year"},
    {"day-of-year", W, kGoesOn, "The day of the year does not match the date",
     "compute column 4 from the date (1 January = 1)"},
    {"row-date", W, kGoesOn, "A row's date is no date", "check the month and the day columns"},
    {"lai-too-large", W, kGoesOn, "An LAI of 20 or more",
     "check the column and the unit of lai(n) (m² of leaves per m² of ground)"},
    {"lai-not-finite", W, kGoesOn, "An LAI beyond the range of a real",
     "write the leaf area index as a number, or a negative value such as -999.99 where it is missing"},
    {"repeated-row", W, kGoesOn, "Rows repeated exactly",
     "remove the copies (replicates of one date with their own values may stay)"},
    {"zero-between", W, kGoesOn, "A zero LAI between two positive ones",
     "if the value was not measured, write a negative value such as -999.99, which laifit takes as missing"},
    {"zeros-after-end", W, kGoesOn, "Zero observations after the end of the curve",
     "keep one zero for the harvest and mark the others missing (-999.99), or remove their rows"},
    // The climate files.
    {"climate-short-line", W, 2, "A climate line with fewer than ten values",
     "give every line its ten values: station year month day day-of-year tn tx rg etp rr"},
    {"climate-line-shift", W, kGoesOn, "A climate line that takes values from the next",
     "give every line its ten values: station year month day day-of-year tn tx rg etp rr"},
    {"climate-not-a-number", W, 2, "A climate value that is not a number",
     "each line: station year month day day-of-year tn tx rg etp rr, numbers only"},
    {"climate-decimal-comma", W, kGoesOn, "A decimal comma in a climate file",
     "write decimals with a point, or export the file with '.' as the decimal separator"},
    {"same-climate-file", W, 2, "One climate file for both years",
     "name the following year's climate file on line 2, or set line 6 to 1 for a crop within one year"},
    {"climate-year", W, kGoesOn, "A climate file of another year",
     "name the climate file of the right year in param.soj"},
    {"one-climate-year", W, kGoesOn, "A two-year crop read with one climate year",
     "set line 6 to 2 and name the climate file of the following year on line 2"},
    {"no-climate-days", W, kGoesOn, "No climate day from emergence on",
     "give climate data that cover the season from emergence to the last observation"},
    {"before-emergence", W, kGoesOn, "Observations before emergence",
     "mark the observations before emergence as missing (-999.99), or correct the emergence date"},
    {"zero-thermal-time", W, kGoesOn, "Observations without climate data",
     "give climate data that cover every observation day"},
    {"climate-days", W, kGoesOn, "Climate days out of order", "give one line per day, in order, with no day missing"},
    {"climate-year-length", W, kGoesOn, "A first climate year of the wrong length",
     "give the first climate file every day of the sowing year, to 31 December"},
    {"base-not-reached", W, kGoesOn, "No day above the base temperature",
     "check the base temperature (a few degrees Celsius for most crops) and the climate file's tn and tx"},
    {"climate-sentinel", W, kGoesOn, "A missing-value code used as a temperature",
     "fill in the missing temperatures (from a nearby station, or by interpolation) before the run"},
    {"climate-out-of-range", W, kGoesOn, "A temperature no field has",
     "check the value, and that tn and tx are columns 6 and 7"},
    {"climate-fahrenheit", W, kGoesOn, "Temperatures in degrees Fahrenheit",
     "convert tn and tx to degrees Celsius: (F - 32) / 1.8"},
    {"climate-tenths", W, kGoesOn, "Temperatures in tenths of a degree", "divide tn and tx by 10"},
    {"climate-max-below-min", N, kGoesOn, "tx below tn on most days",
     "check the order of the columns: tn (minimum) is column 6, tx (maximum) column 7"},
    // The fit.
    {"no-fit", W, kGoesOn, "laifit makes no fit", ""},
    {"all-zero", W, kGoesOn, "Every observation is 0", "check the column lai(n) of the observation table"},
    {"all-held", N, kGoesOn, "Every parameter held", ""},
    {"too-few-points", W, kGoesOn, "Fewer observations than estimated parameters",
     "hold some parameters (switch 0), or add observations"},
    {"estimator-rejected", W, kGoesOn, "The estimator could not use the parameters",
     "check the starting values in param.soj (none 0, p2 and p4 above 0) and the number of observations"},
    {"not-converged", N, kGoesOn, "The estimator did not converge",
     "try other starting values, or hold the parameters that the data do not determine"},
    {"no-freedom", N, kGoesOn, "As many observations as estimated parameters",
     "hold some parameters, or add observations"},
    {"r2-negative", W, kGoesOn, "A fit worse than the mean",
     "check the climate file (its year and its temperatures), the base temperature and the starting values"},
    {"curve-not-positive", W, kGoesOn, "A fitted curve that is never above zero",
     "check the starting values (p1 the plateau, p3 and p5 within the season's thermal time), the base "
     "temperature and the climate file"},
    {"zero-before-last", W, kGoesOn, "The curve ends before observed leaf area",
     "look at the decline parameters p4 and p5 and at their starting values, and at the climate file of the end "
     "of the season"},
    {"tf-non-atteint", N, kGoesOn, "p5 beyond the climate data", ""},
    {"decline-extrapolated", N, kGoesOn, "A decline that no observation measures",
     "add observations after the maximum, or hold p4 and p5"},
    {"limits-include-zero", N, kGoesOn, "Wide confidence limits",
     "hold such a parameter at a value known for the crop (switch 0), or add observations that measure it"},
    {"lai-unwritable", N, kGoesOn, "A fitted LAI the file cannot hold", ""},
    // The outputs, and how the run ends.
    {"stale-output", W, kGoesOn, "An output that does not match its inputs", "run laifit again in the folder"},
    {"refused", W, 2, "laifit refuses the input", ""},
    {"stops", W, 2, "laifit stops on a file", ""},
    {"internal-error", W, 3, "laifit failed a check of its own code", "report it with this folder"},
};

}  // namespace

std::span<const CatalogueEntry> catalogue() { return kCatalogue; }

const CatalogueEntry& catalogue_entry(std::string_view code) {
  const auto it = std::find_if(std::begin(kCatalogue), std::end(kCatalogue),
                               [&](const CatalogueEntry& e) { return e.code == code; });
  if (it == std::end(kCatalogue)) throw std::logic_error("laifit-inspect: no finding " + std::string(code));
  return *it;
}

std::string stop_sentence(int status) {
  if (status == 3) return "laifit ends with an internal error (exit status 3).";
  return "laifit stops there (exit status " + std::to_string(status) + "), with no fit.";
}

}  // namespace laifit::inspect
