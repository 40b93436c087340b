#include "table_format.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace laifit::numeric::table {
namespace {

const std::vector<Group> kGroups = {{0, {{0x3F800000, 0x4005BF0A8B145769}, {0x00000001, 0x3FF0000000000000}}},
                                    {Flag::underflow, {{0xC4400000, 0x0000000000000000}}},
                                    {Flag::overflow, {}}};

TEST(TableFormat, ReadsBackWhatItWrites) {
  const std::string bytes = encode(kGroups);
  EXPECT_EQ(bytes.size(), 8u + 3 * 8 + 3 * 12);
  const auto back = decode(bytes);
  ASSERT_TRUE(back.has_value());
  ASSERT_EQ(back->size(), kGroups.size());
  for (std::size_t i = 0; i < kGroups.size(); ++i) {
    EXPECT_EQ((*back)[i].flags, kGroups[i].flags);
    ASSERT_EQ((*back)[i].entries.size(), kGroups[i].entries.size());
    for (std::size_t j = 0; j < kGroups[i].entries.size(); ++j) {
      EXPECT_EQ((*back)[i].entries[j].argument, kGroups[i].entries[j].argument);
      EXPECT_EQ((*back)[i].entries[j].result, kGroups[i].entries[j].result);
    }
  }
}

TEST(TableFormat, RefusesAnythingButWholeTables) {
  const std::string bytes = encode(kGroups);
  EXPECT_FALSE(decode("").has_value());
  EXPECT_FALSE(decode("LFNUMTB2" + bytes.substr(8)).has_value());       // another magic
  EXPECT_FALSE(decode(bytes.substr(0, bytes.size() - 1)).has_value());  // an entry cut short
  EXPECT_FALSE(decode(bytes + std::string(4, '\0')).has_value());       // a group header cut short
  EXPECT_TRUE(decode(bytes.substr(0, 8)).has_value());                  // no groups at all is a table
}

}  // namespace
}  // namespace laifit::numeric::table
