#include "layout_check.h"

#include <gtest/gtest.h>

#include <vector>

namespace plenorium::abi {
namespace {

TEST(PublishedLayout, EveryRecordFieldSlotAliasAndConstantMatchesTheHost) {
  std::vector<std::string> drifts;
  const int mismatches = checkPublishedLayout([&](const std::string& what) { drifts.push_back(what); });
  EXPECT_EQ(mismatches, 0);
  for (const std::string& d : drifts) ADD_FAILURE() << d;
}

}  // namespace
}  // namespace plenorium::abi
