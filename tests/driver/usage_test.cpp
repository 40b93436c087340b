#include "driver/usage.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace laifit {
namespace {

TEST(UsageRequest, OnlyHelpOrVersionAloneIsAnswered) {
  const std::vector<std::vector<std::string_view>> ignored = {{},
                                                              {""},
                                                              {"-h"},
                                                              {"--HELP"},
                                                              {"-help"},
                                                              {"--help "},
                                                              {"--version=1"},
                                                              {"--help", "--help"},
                                                              {"--help", "x"},
                                                              {"x", "--version"}};
  for (const auto& args : ignored) {
    EXPECT_FALSE(usage_request(args).has_value()) << (args.empty() ? "(none)" : args.front());
  }
  const std::vector<std::string_view> version{"--version"};
  EXPECT_EQ(usage_request(version), "laifit " LAIFIT_VERSION "\r\n");
  const std::vector<std::string_view> help{"--help"};
  const std::string text = usage_request(help).value();
  // Short enough for a terminal: no line wider than 104 columns, every one ending CR LF.
  std::size_t start = 0;
  while (start < text.size()) {
    const auto end = text.find("\r\n", start);
    ASSERT_NE(end, std::string::npos) << text.substr(start);
    EXPECT_EQ(text.substr(start, end - start).find('\n'), std::string::npos);
    EXPECT_LE(end - start, 104u) << text.substr(start, end - start);
    start = end + 2;
  }
  EXPECT_NE(text.find("man laifit"), std::string::npos);
}

}  // namespace
}  // namespace laifit
