#include "desktop/windows/installer/common/file_version_utils_impl.h"

#include <memory>
#include <string>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/scoped_temp_dir.h"
#include "desktop/windows/installer/utils/app_output_runner.h"
#include "desktop/windows/installer/utils/test_support/scoped_installer_error_record.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"

namespace {

class FileVersionUtilsTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_.CreateUniqueTempDir()); }

  ScopedInstallerErrorRecord error_record_;
  base::ScopedTempDir temp_;
};

TEST_F(FileVersionUtilsTest, VersionsOfRealProgramsFromResourcesAndOutput) {
  FileVersionUtilsImpl utils(std::make_unique<AppOutputRunnerImpl>());
  const base::FilePath launcher = testing_support::BuildFile(L"package_programs", L"launcher.exe");
  base::Version full;
  base::Version internal;
  std::string stream;
  ASSERT_TRUE(utils.GetVersionFromResources(launcher, &full, &internal, &stream));
  EXPECT_EQ("51.0.2802.0", full.GetString());
  EXPECT_EQ("2802.0", internal.GetString());
  EXPECT_EQ("developer", stream);
  ASSERT_TRUE(utils.GetVersionFromExeOutput(launcher, &full, &internal, &stream));
  EXPECT_EQ("51.0.2802.0", full.GetString());
  EXPECT_EQ("developer", stream);

  EXPECT_FALSE(utils.GetVersionFromResources(temp_.GetPath().Append(L"missing.exe"), &full,
                                             &internal, nullptr));
  EXPECT_EQ("Cannot get the size of file version info", error_record_.detail());
}

// Answers each switch with a fixed text.
class FixedOutputRunner : public AppOutputRunner {
 public:
  bool Run(const base::CommandLine& command_line, std::string* output) override {
    *output = command_line.HasSwitch("version") ? version : stream;
    return true;
  }
  std::string version;
  std::string stream;
};

TEST_F(FileVersionUtilsTest, ProgramOutputMayEndInALineEnd) {
  auto runner = std::make_unique<FixedOutputRunner>();
  runner->version = "51.0.2802.1\r\n";
  runner->stream = "developer\n";
  FileVersionUtilsImpl utils(std::move(runner));
  base::Version full;
  base::Version internal;
  std::string stream;
  ASSERT_TRUE(utils.GetVersionFromExeOutput(base::FilePath(L"x.exe"), &full, &internal, &stream));
  EXPECT_EQ("51.0.2802.1", full.GetString());
  EXPECT_EQ("2802.1", internal.GetString());
  EXPECT_EQ("developer", stream);
}

TEST(InternalVersionTest, ThirdAndFourthNumbersOfFourOrFive) {
  EXPECT_EQ("2802.7", GetInternalVersionOf(base::Version("51.0.2802.7")).GetString());
  EXPECT_EQ("2802.7", GetInternalVersionOf(base::Version("51.0.2802.7.9")).GetString());
  EXPECT_FALSE(GetInternalVersionOf(base::Version("51.0.2802")).IsValid());
  EXPECT_FALSE(GetInternalVersionOf(base::Version("1.2.3.4.5.6")).IsValid());
}

}  // namespace
