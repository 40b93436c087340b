#include "check/check.hpp"

#include <gtest/gtest.h>

#include <string>

namespace laifit {
namespace {

TEST(Check, ThrowsAnInternalErrorNamingThePlaceOnlyWhenTheConditionFails) {
  int evaluated = 0;
  const auto message = [&] {
    ++evaluated;
    return std::string("array too short");
  };
  EXPECT_NO_THROW(LAIFIT_CHECK(1 + 1 == 2, message()));
  EXPECT_EQ(evaluated, 0) << "the message is built only for a failed check";
  const int line = __LINE__ + 2;
  try {
    LAIFIT_CHECK(1 + 1 == 3, message());
    ADD_FAILURE() << "no InternalError";
  } catch (const InternalError& e) {
    const std::string what = e.what();
    EXPECT_TRUE(what.starts_with("array too short (")) << what;
    EXPECT_NE(what.find("check_test.cpp:" + std::to_string(line) + ")"), std::string::npos) << what;
  }
}

}  // namespace
}  // namespace laifit
