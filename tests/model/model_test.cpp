#include "model/model.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "model/curves.hpp"

namespace laifit {
namespace {

struct Screen {
  std::string text;
  OutputChannel channel{6, "stdout", std::make_unique<StringSink>(text)};
  std::string flushed() {
    channel.flush();
    return text;
  }
};

TEST(Model, WritesTheThreeKindsOfScreenLines) {
  const std::vector<float> stemp{250.5f};
  const CurveModel curve{2, CurveCoding{11000, {0.0f, 0.0f, 500.0f, 0.005f, 2000.0f}}, stemp};
  std::vector<float> ye(1);
  Screen screen;
  model(1, std::vector<float>{5.0f, 0.01f}, ye, 1, 2, curve, screen.channel);
  // Observation 1 of 8 is the layout example; here nob is 1.
  EXPECT_EQ(screen.flushed(),
            " debug-  appel de model\r\n"
            " debug-  ajustement           2  parametres\r\n"
            " debug-             1 nob           1   5.00000000       9.99999978E-03           2   250.500000    \r\n");
}

TEST(Model, EvaluatesTheCurveChosenByTheNumberOfEstimatedParameters) {
  const std::vector<float> stemp{300.0f, 1200.0f};
  // p2 and p4 estimated.
  const CurveModel curve{2, CurveCoding{1010, {5.0f, 0.0f, 500.0f, 0.0f, 2000.0f}}, stemp};
  std::vector<float> ye(2, -7.0f);
  Screen screen;
  // npar larger than nbpar: the extra entry is printed but plays no part.
  model(1, std::vector<float>{0.01f, 0.005f, 99.0f}, ye, 2, 3, curve, screen.channel);
  EXPECT_EQ(ye[0], lai_curve({5.0f, 0.01f, 500.0f, 0.005f, 2000.0f}, 300.0f));
  EXPECT_EQ(ye[1], lai_curve({5.0f, 0.01f, 500.0f, 0.005f, 2000.0f}, 1200.0f));
  EXPECT_NE(screen.flushed().find("   99.0000000               3   1200.00000    \r\n"), std::string::npos);
}

TEST(Model, WritesOnlyTheHeadingsWhenNothingIsEvaluated) {
  const std::vector<float> stemp(3, 0.0f);
  std::vector<float> ye(3, -7.0f);
  for (const auto& [nbpar, nob] : {std::pair{0, 3}, std::pair{6, 3}, std::pair{5, 0}}) {
    const CurveModel curve{nbpar, CurveCoding{11111, {}}, stemp};
    Screen screen;
    model(1, std::vector<float>{1, 1, 1, 1, 1}, ye, nob, 5, curve, screen.channel);
    EXPECT_EQ(screen.flushed(), " debug-  appel de model\r\n debug-  ajustement" + std::string(1 + 10, ' ') +
                                    std::to_string(nbpar) + "  parametres\r\n");
    EXPECT_EQ(ye, std::vector<float>(3, -7.0f));
  }
}

TEST(Model, LinesAreTheFreeFormatRecordsOfTheirItems) {
  // Parameters and thermal times of every kind of magnitude, sign and class, against write_list.
  std::mt19937 gen(7);
  const auto any_float = [&] { return std::bit_cast<float>(static_cast<std::uint32_t>(gen())); };
  for (int trial = 0; trial < 200; ++trial) {
    const auto nob = static_cast<std::int32_t>(1 + gen() % 12);
    const auto npar = static_cast<std::int32_t>(gen() % 6);
    std::vector<float> stemp(static_cast<std::size_t>(nob)), par(5, 1.0f);
    for (float& t : stemp) t = trial % 2 == 0 ? any_float() : static_cast<float>(gen() % 300000) / 100.0f;
    for (std::int32_t k = 0; k < npar; ++k) par[static_cast<std::size_t>(k)] = any_float();
    const CurveModel curve{5, CurveCoding{11111, {}}, stemp};
    std::vector<float> ye(static_cast<std::size_t>(nob));
    Screen screen, expected;
    model(1, par, ye, nob, npar, curve, screen.channel);
    expected.channel.write_list({"debug-  appel de model"});
    expected.channel.write_list({"debug-  ajustement", 5, " parametres"});
    const std::span<const float> shown = std::span<const float>(par).first(static_cast<std::size_t>(npar));
    for (std::int32_t i = 1; i <= nob; ++i) {
      expected.channel.write_list({"debug-  ", i, "nob", nob, shown, npar, stemp[static_cast<std::size_t>(i - 1)]});
    }
    ASSERT_EQ(screen.flushed(), expected.flushed()) << "trial " << trial;
  }
}

}  // namespace
}  // namespace laifit
