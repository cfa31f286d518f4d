#include "desktop/windows/installer/steps/step_names.h"

#include "desktop/windows/installer/steps/step_result.h"
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

TEST(StepNamesTest, ResultFromAStatusAloneIsAGeneralFailureWithoutTexts) {
  StepResult ok(STEP_OK);
  EXPECT_EQ(STEP_OK, ok.status);
  EXPECT_EQ(RESULT_GENERAL_FAILURE, ok.code);
  EXPECT_TRUE(ok.message.empty());
  EXPECT_TRUE(ok.detail.empty());
  StepResult full(STEP_RETRY_THEN_FAIL, RESULT_FILE_COPY_FAILED, L"C:\\a", "detail");
  EXPECT_EQ(RESULT_FILE_COPY_FAILED, full.code);
  EXPECT_EQ(L"C:\\a", full.message);
}

}  // namespace
