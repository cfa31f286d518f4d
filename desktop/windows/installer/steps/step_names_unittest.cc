#include "desktop/windows/installer/steps/step_names.h"

#include "gtest/gtest.h"

namespace {

TEST(StepNamesTest, NameTests) {
  EXPECT_EQ("copy_file:sub\\a.dll", GetCopyFileStepName("sub\\a.dll"));
  EXPECT_TRUE(IsCopyFileStepName("copy_file:launcher.exe"));
  // A substring search, not a prefix test.
  EXPECT_TRUE(IsCopyFileStepName("xcopy_file_y"));
  EXPECT_FALSE(IsCopyFileStepName("copy_fil"));
  EXPECT_TRUE(IsMoveFileStepName("move_file"));
  EXPECT_FALSE(IsMoveFileStepName("move_file:a"));
  EXPECT_TRUE(IsDirectUnpackingEvent("direct_unpacking"));
  EXPECT_FALSE(IsDirectUnpackingEvent("direct_unpacking2"));
}

}  // namespace
