#include "desktop/windows/installer/common/version_resource.h"

#include <map>
#include <memory>
#include <string>

#include "base/files/file.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "desktop/windows/installer/common/file_version_utils.h"
#include "desktop/windows/installer/common/file_version_utils_impl.h"
#include "desktop/windows/installer/utils/app_output_runner.h"
#include "desktop/windows/installer/utils/test_support/scoped_installer_error_record.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"

namespace {

using testing_support::BuildFile;

base::File OpenHeld(const base::FilePath& path) {
  return base::File(path, base::File::FLAG_OPEN | base::File::FLAG_READ |
                              base::File::FLAG_EXCLUSIVE_WRITE);
}

class VersionResourceTest : public testing::Test {
 protected:
  ScopedInstallerErrorRecord error_record_;
};

// Read from the bytes, the versions are what Windows reads from the file:
// for plain, signed and payload-carrying programs.
TEST_F(VersionResourceTest, ReadsWhatWindowsReads) {
  FileVersionUtilsImpl windows(std::make_unique<AppOutputRunnerImpl>());
  for (const base::FilePath& path :
       {BuildFile(L"bin", L"installer.exe"), BuildFile(L"package_programs", L"launcher.exe"),
        BuildFile(L"signed_installer", L"installer.exe"),
        BuildFile(L"payload_installers", L"signed_full_package.exe"),
        BuildFile(L"older_packages", L"older_installer.exe")}) {
    base::Version full, internal, expected_full, expected_internal;
    std::string stream, expected_stream;
    ASSERT_TRUE(windows.GetVersionFromResources(path, &expected_full, &expected_internal,
                                                &expected_stream))
        << path;
    ASSERT_TRUE(GetVersionFromOpenFile(OpenHeld(path), &full, &internal, &stream))
        << path << ": " << error_record_.detail();
    EXPECT_EQ(expected_full, full) << path;
    EXPECT_EQ(expected_internal, internal) << path;
    EXPECT_EQ(expected_stream, stream) << path;
  }
  base::Version full, internal;
  std::string stream;
  ASSERT_TRUE(GetVersionFromOpenFile(OpenHeld(BuildFile(L"older_packages", L"older_installer.exe")),
                                     &full, &internal, &stream));
  EXPECT_EQ("51.0.2701.0", full.GetString());
  EXPECT_EQ("developer", stream);
}

TEST_F(VersionResourceTest, FilesWithoutAVersionFailAsWindowsReadsThem) {
  base::Version full, internal;
  std::string stream;
  // A signed program without a version resource, and an archive.
  EXPECT_FALSE(GetVersionFromOpenFile(OpenHeld(BuildFile(L"older_packages",
                                                         L"signed_unversioned.exe")),
                                      &full, &internal, &stream));
  EXPECT_EQ("No file version in the package", error_record_.detail());
  EXPECT_FALSE(GetVersionFromOpenFile(OpenHeld(BuildFile(L"test_package", L"tarvo_package")),
                                      &full, &internal, nullptr));
  EXPECT_EQ("No file version in the package", error_record_.detail());
}

// Every cut of a real program's bytes inside its version resource reads as
// no resource or as a well-formed one, never beyond the bytes given.
TEST_F(VersionResourceTest, CutImagesNeverReadPastTheirEnd) {
  std::string image;
  ASSERT_TRUE(base::ReadFileToString(BuildFile(L"bin", L"installer.exe"), &image));
  std::string_view resource;
  ASSERT_TRUE(FindVersionResource(image, &resource));
  const size_t start = resource.data() - image.data();
  for (size_t cut = 0; cut < resource.size(); ++cut) {
    // A copy of its own, so that a read past its end is a read past the
    // allocation.
    const auto copy = std::make_unique<char[]>(start + cut);
    memcpy(copy.get(), image.data(), start + cut);
    std::string_view found;
    EXPECT_FALSE(FindVersionResource(std::string_view(copy.get(), start + cut), &found)) << cut;
    std::map<std::wstring, std::wstring> strings;
    const auto block = std::make_unique<char[]>(cut);
    memcpy(block.get(), resource.data(), cut);
    ReadVersionStrings(std::string_view(block.get(), cut), L"000004B0", &strings);
  }
  std::map<std::wstring, std::wstring> strings;
  ASSERT_TRUE(ReadVersionStrings(resource, L"000004B0", &strings));
  EXPECT_EQ(L"51.0.2802.0", strings[L"ProductVersion"]);
  EXPECT_FALSE(ReadVersionStrings(resource, L"040904B0", &strings));
}

}  // namespace
