#include "desktop/windows/installer/dpi_util.h"

#include <set>

#include "gtest/gtest.h"

namespace {

TEST(DpiUtilTest, MonitorScalesToRows) {
  // A scale half-way between two rows takes the earlier one.
  EXPECT_EQ((std::set<int>{0, 4}), CollectMonitorDpi({1.0, 1.125, 1.1, 3.0}));
  EXPECT_EQ((std::set<int>{1, 2}), CollectMonitorDpi({1.3, 1.4, 1.5}));
  EXPECT_FALSE(GetMonitorDpis().empty());
}

}  // namespace
