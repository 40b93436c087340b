// Many folders in one command: the order of the texts, the worst status, the summary's cells and the
// page, the same with one thread as with two.

#include <gtest/gtest.h>

#include "folders.hpp"
#include "inspect/inspect.hpp"

namespace laifit::testing {
namespace {

namespace fs = std::filesystem;

inspect::Arguments arguments(std::vector<std::string> words) {
  std::vector<std::string_view> views(words.begin(), words.end());
  return inspect::parse_arguments(views);
}

TEST(Many, ArgumentsNameFoldersATreeJobsAndTheOutputsOfMany) {
  const auto a = arguments({"-j", "2", "--summary", "s.csv", "--html", "p.html", "--tree", "trial", "x", "y"});
  ASSERT_EQ(a.error, "");
  EXPECT_EQ(a.folders, (std::vector<fs::path>{"x", "y"}));
  EXPECT_EQ(a.tree, fs::path("trial"));
  EXPECT_EQ(a.jobs, 2u);
  EXPECT_TRUE(a.many());
  EXPECT_FALSE(arguments({"one"}).many());
  EXPECT_NE(arguments({"--svg", "f.svg", "a", "b"}).error.find("--csv and --svg take one folder"), std::string::npos);
  EXPECT_NE(arguments({"-j", "0", "a"}).error.find("-j needs"), std::string::npos);
  EXPECT_NE(arguments({"-j", "2x", "a"}).error.find("-j needs"), std::string::npos);
}

// A folder name that a spreadsheet would run as a formula and that holds markup (Windows admits no < or >
// in a name: there, an entity instead), as it must not reach the page and as the page shows it.
#ifdef _WIN32
constexpr const char* kOdd = "=sum&amp;x";
constexpr const char* kOddOnPage = "=sum&amp;amp;x";
#else
constexpr const char* kOdd = "=sum<i id=x>";
constexpr const char* kOddOnPage = "=sum&lt;i id=x&gt;";
#endif

// The trial's folders with two more: the odd name's, and one that does not exist.
struct Trial {
  RunFolder root;
  fs::path dir = root.dir() / "trial";
  fs::path odd = dir / kOdd;
  Trial() {
    fs::copy(LAIFIT_TRIAL_DIR, dir, fs::copy_options::recursive);
    fs::create_directory(odd);
    for (const auto& [name, content] : example_files()) std::ofstream(odd / name, std::ios::binary) << content;
  }
};

TEST(Many, TextsInOrderTheWorstStatusASummaryRowAndASectionPerFolder) {
  Trial t;
  const fs::path summary = t.root.dir() / "summary.csv", page = t.root.dir() / "page.html";
  const auto run = [&](const char* jobs) {
    auto a = arguments({"-j", jobs, "--summary", summary.string(), "--html", page.string(), "--tree", t.dir.string(),
                        (t.root.dir() / "missing").string()});
    return inspect::inspect_many(a);
  };
  const inspect::Outcome one = run("1");
  const std::string summary_one = slurp(summary), page_one = slurp(page);
  const inspect::Outcome two = run("2");
  EXPECT_EQ(one.report, two.report);
  EXPECT_TRUE(slurp(summary) == summary_one && slurp(page) == page_one) << "two threads write other files";
  EXPECT_EQ(one.status, inspect::kCannotInspect);  // the missing folder is the worst

  // The folders given, then the tree's in byte order of their paths: "=sum<i id=x>" before "plot-01".
  const std::vector<std::string> order{kOdd, "plot-01", "plot-02", "plot-03", "plot-04"};
  std::size_t at = 0;
  for (const std::string& name : order) {
    const std::size_t found = one.report.find((t.dir / name).string(), at);
    ASSERT_NE(found, std::string::npos) << name;
    at = found;
  }
  EXPECT_NE(one.errors.find("missing does not exist"), std::string::npos) << one.errors;

  std::istringstream rows(summary_one);
  std::vector<std::string> lines;
  for (std::string line; std::getline(rows, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0],
            "folder,status,warnings,codes,p1,p2,p3,p4,p5,est1,est2,est3,est4,est5,rmse,bias,r2,iterations,stop,"
            "first_day,last_day\r");
  EXPECT_EQ(lines[1], (t.root.dir() / "missing").string() + ",2" + std::string(19, ',') + "\r");
  EXPECT_EQ(lines[2].rfind((t.dir / kOdd).string() + ",0,0,", 0), 0u) << lines[2];
  EXPECT_NE(lines[3].find(",6.045621,0.010168724,575.79736,0.0039648665,1950,1,1,1,1,0,"), std::string::npos)
      << lines[3];
  EXPECT_NE(lines[3].find(",6,sum_converged,110,258\r"), std::string::npos) << lines[3];
  EXPECT_NE(lines[6].find(",1,1,decimal-comma,"), std::string::npos) << lines[6];

  for (const char* id : {"id=\"f1\"", "id=\"f6\"", "href=\"#f6\""})
    EXPECT_NE(page_one.find(id), std::string::npos) << id;
  EXPECT_EQ(page_one.find(kOdd), std::string::npos) << "a folder's name became markup";
  EXPECT_NE(page_one.find(kOddOnPage), std::string::npos);

  // A name that begins like a formula is kept from a spreadsheet's formulas, and a comma is quoted.
  const fs::path here = fs::current_path();
  fs::current_path(t.dir);
  fs::rename("plot-01", "=1+1,x");
  auto a = arguments({"--summary", summary.string(), "=1+1,x", "plot-02"});
  inspect::inspect_many(a);
  fs::current_path(here);
  EXPECT_EQ(slurp(summary).find("\"'=1+1,x\",0,0,", 0), summary_one.find('\n') + 1) << slurp(summary);
}

TEST(Many, ASummaryOverAFileOfARunIsNotWritten) {
  Trial t;
  const fs::path table = t.dir / "plot-02" / "obs2011.csv";
  const std::string before = slurp(table);
  auto a = arguments({"--summary", table.string(), "--tree", t.dir.string()});
  const inspect::Outcome out = inspect::inspect_many(a);
  EXPECT_EQ(out.status, inspect::kCannotInspect);
  EXPECT_NE(out.errors.find("the observation table"), std::string::npos) << out.errors;
  EXPECT_TRUE(slurp(table) == before);
}

}  // namespace
}  // namespace laifit::testing
