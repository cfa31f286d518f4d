#include "desktop/windows/installer/package_fetcher/package_fetcher_parts_impl.h"

#include <memory>
#include <string>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "desktop/windows/installer/avro_stats/test_support/recording_stats_sender.h"
#include "desktop/windows/installer/common/file_version_utils_impl.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/package_fetcher/package_version_check.h"
#include "desktop/windows/installer/utils/app_output_runner.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/installer_result.h"
#include "desktop/windows/installer/utils/product_info_util.h"
#include "desktop/windows/installer/utils/test_support/scoped_installer_error_record.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"

namespace {

using testing_support::BinFile;
using testing_support::BuildFile;

// Answers the versions the test sets, as if read from the file.
class FakeFileVersionUtils : public FileVersionUtils {
 public:
  bool GetVersionFromResources(const base::FilePath& /*path*/, base::Version* full,
                               base::Version* internal, std::string* stream) override {
    return Answer(full, internal, stream);
  }
  bool GetVersionFromExeOutput(const base::FilePath& /*path*/, base::Version* full,
                               base::Version* internal, std::string* stream) override {
    return Answer(full, internal, stream);
  }

  std::string version;  // Empty: unreadable.
  std::string stream_name = "developer";

 private:
  bool Answer(base::Version* full, base::Version* internal, std::string* stream) {
    if (version.empty())
      return SetInstallerError(RESULT_GENERAL_FAILURE, "No file version in the package",
                               std::wstring());
    *full = base::Version(version);
    *internal = GetInternalVersionOf(*full);
    if (stream)
      *stream = stream_name;
    return true;
  }
};

class PackageVersionTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_.CreateUniqueTempDir()); }

  VersionComparison Compare(const std::string& version, std::string* stream,
                            const std::string& allowed_override = "") {
    fake_.version = version;
    std::string full;
    return CompareVersionWithInstaller(&fake_, base::FilePath(L"x.exe"), /*from_output=*/false,
                                       &full, stream, allowed_override);
  }

  ScopedInstallerErrorRecord error_record_;
  base::ScopedTempDir temp_;
  FakeFileVersionUtils fake_;
};

TEST_F(PackageVersionTest, ComparedWithTheInstallersInternalVersionAndStream) {
  std::string stream;
  // The installer is 51.0.2802.0: its internal version is 2802.0.
  EXPECT_EQ(VERSION_ACCEPTED, Compare("51.0.2802.0", &stream));
  EXPECT_EQ(VERSION_ACCEPTED, Compare("40.0.2802.7", nullptr));
  EXPECT_EQ(VERSION_REJECTED, Compare("51.0.2801.99", &stream));
  EXPECT_EQ("Downloaded item is older than the installer", error_record_.detail());
  // Without an internal version (not four numbers).
  EXPECT_EQ(VERSION_REJECTED, Compare("51.0.2802", &stream));
  fake_.stream_name = "stable";
  EXPECT_EQ(VERSION_REJECTED, Compare("51.0.2803.0", &stream));
  EXPECT_EQ("Downloaded item is of a different stream than the installer", error_record_.detail());
  // A missing version is appended to what the reader said.
  EXPECT_EQ(VERSION_DATA_MISSING, Compare("", &stream));
  EXPECT_EQ("No file version in the package\nVersion data not present in the file",
            error_record_.detail());
}

// The installer's side of the comparison is what the product information
// utility says.
TEST_F(PackageVersionTest, TheInstallersSideComesFromTheProductInfoUtil) {
  struct StableInstaller : ProductInfoUtil {
    std::string GetStreamName() const override { return "stable"; }
    std::string GetInternalVersion() const override { return "2900.0"; }
  } stable;
  ScopedProductInfoUtilForTesting replaced(&stable);
  std::string stream;
  EXPECT_EQ(VERSION_REJECTED, Compare("51.0.2802.0", nullptr));
  fake_.stream_name = "stable";
  EXPECT_EQ(VERSION_ACCEPTED, Compare("52.0.2900.0", &stream));
  fake_.stream_name = "developer";
  EXPECT_EQ(VERSION_REJECTED, Compare("52.0.2900.0", &stream));
}

TEST_F(PackageVersionTest, AllowedVersionOverrideReachesFiftyBuildsBack) {
  EXPECT_EQ(VERSION_ACCEPTED, Compare("51.0.2760.0", nullptr, "2752.0"));
  // Too far back to count: the installer's own version stays the reference.
  EXPECT_EQ(VERSION_REJECTED, Compare("51.0.2760.0", nullptr, "2751.0"));
  EXPECT_EQ(VERSION_REJECTED, Compare("51.0.2760.0", nullptr, "not a version"));
}

class PackageFetcherPartsTest : public PackageVersionTest {
 protected:
  PackageFetcherPartsImpl MakeParts() {
    return PackageFetcherPartsImpl(
        std::make_unique<FileVersionUtilsImpl>(std::make_unique<AppOutputRunnerImpl>()),
        std::make_unique<LzmaUtil>());
  }
};

TEST_F(PackageFetcherPartsTest, LegacyPackageIsCheckedByItsInstallersOutput) {
  // The package archive has no version resource: its installer.exe answers.
  const base::FilePath package = temp_.GetPath().Append(L"tarvo_package");
  ASSERT_TRUE(base::CopyFile(BuildFile(L"test_package", L"tarvo_package"), package));
  PackageFetcherPartsImpl parts = MakeParts();
  ScopedRecordingStatsSender stats;
  EXPECT_TRUE(parts.CheckMainComponentVersion(package, nullptr));
  // The accepted version reaches the statistics.
  ASSERT_EQ(std::vector<std::string>{"version_verified"}, stats->names());
  const RecordingStatsSender::Record* verified = stats->Named("version_verified")[0];
  EXPECT_EQ("51.0.2802.0", verified->String("version_information.version"));
  EXPECT_EQ("developer", verified->String("version_information.stream"));
  std::string written;
  ASSERT_TRUE(base::ReadFileToString(temp_.GetPath().Append(L"package_version"), &written));
  EXPECT_EQ("51.0.2802.0", written);
  // The check leaves only the version file behind.
  EXPECT_FALSE(base::PathExists(temp_.GetPath().Append(L"installer.exe")));
  EXPECT_FALSE(base::PathExists(temp_.GetPath().Append(L"installer_engine.dll")));
}

TEST_F(PackageFetcherPartsTest, PackageWithoutInstallerFails) {
  const base::FilePath package = temp_.GetPath().Append(L"tarvo_package");
  ASSERT_TRUE(base::CopyFile(BinFile(L"lzma_test_data", L"blocks.7z"), package));
  PackageFetcherPartsImpl parts = MakeParts();
  ScopedRecordingStatsSender stats;
  EXPECT_FALSE(parts.CheckMainComponentVersion(package, nullptr));
  EXPECT_TRUE(stats->names().empty());
  EXPECT_NE(std::string::npos,
            error_record_.detail().find("Version data not present in the file\n"
                                        "Cannot unpack installer.exe for legacy version check\n"
                                        "Main component version check failed"));
  EXPECT_FALSE(base::PathExists(temp_.GetPath().Append(L"package_version")));
}

TEST_F(PackageFetcherPartsTest, AdditionalFilesTrackingDataAndMove) {
  PackageFetcherPartsImpl parts = MakeParts();
  // "suite" falls back to the assistant's installer.
  ASSERT_TRUE(base::CopyFile(BuildFile(L"package_programs", L"assistant_installer.exe"),
                             temp_.GetPath().Append(L"assistant_installer.exe")));
  {
    ScopedRecordingStatsSender stats;
    EXPECT_TRUE(parts.CheckAdditionalFileVersion(temp_.GetPath(), "suite"));
    EXPECT_FALSE(parts.CheckAdditionalFileVersion(temp_.GetPath(), "missing"));
    EXPECT_FALSE(parts.CheckAdditionalFileVersion(temp_.GetPath(), "..\\assistant"));
    // Only the accepted component is reported, with its version.
    ASSERT_EQ(std::vector<std::string>{"version_verified"}, stats->names());
    EXPECT_FALSE(stats->Named("version_verified")[0]
                     ->String("version_information.version")
                     .value_or("")
                     .empty());
  }

  parts.WriteServerTrackingData(temp_.GetPath(), "");
  EXPECT_FALSE(base::PathExists(temp_.GetPath().Append(L"server_tracking_data")));
  parts.WriteServerTrackingData(temp_.GetPath(), "blob");
  std::string text;
  ASSERT_TRUE(base::ReadFileToString(temp_.GetPath().Append(L"server_tracking_data"), &text));
  EXPECT_EQ("blob", text);

  const base::FilePath from = temp_.GetPath().Append(L"prepared");
  ASSERT_TRUE(base::CreateDirectory(from));
  EXPECT_TRUE(parts.MovePreparedPackage(from, temp_.GetPath().Append(L"final")));
  EXPECT_FALSE(parts.MovePreparedPackage(from, temp_.GetPath().Append(L"again")));
  EXPECT_EQ("Cannot move the prepared package to the final destination", error_record_.detail());
}

}  // namespace
