#include "desktop/windows/installer/utils/installer_features.h"

#include "base/command_line.h"
#include "base/features/command_line_feature_reader.h"
#include "base/features/feature_registry.h"
#include "base/features/list_feature_reader.h"
#include "base/values.h"
#include "base/win/windows_version.h"
#include "gtest/gtest.h"

namespace {

using features::CommandLineFeatureReader;
using features::FeatureRegistry;
using features::ListFeatureReader;

class InstallerFeaturesTest : public testing::Test {
 protected:
  InstallerFeaturesTest() { RegisterInstallerFeatures(FeatureRegistry::GetInstance()); }

  void ReadSwitches(const std::wstring& switches) {
    base::CommandLine command_line = base::CommandLine::FromString(L"installer.exe " + switches);
    CommandLineFeatureReader reader(command_line);
    FeatureRegistry::GetInstance()->AddReader(&reader);
  }

  features::ScopedFeatureRegistryForTesting registry_;
};

TEST_F(InstallerFeaturesTest, DefaultsForDeveloperStream) {
  EXPECT_TRUE(features::IsFeatureEnabled(kInstallerPrefDefaultOverridesSupport));
  EXPECT_TRUE(features::IsFeatureEnabled(kInstallerSupportX64Download));
  EXPECT_FALSE(features::IsFeatureEnabled(kInstallerExperimentTest));
  EXPECT_FALSE(features::IsFeatureEnabled(kInstallerUseMinimalPackage));
  EXPECT_FALSE(features::IsFeatureEnabled(kInstallerHideFromProgramAndFeatures));
  EXPECT_FALSE(features::IsFeatureEnabled(kInstallerHandleProprietaryUris));
  // The browser's features are only looked up, never registered: one
  // available on every stream is still off.
  const InstallerFeature* partner_content = FindBrowserFeature(kKeepCustomPartnerContentFileInProfile);
  ASSERT_TRUE(partner_content);
  EXPECT_TRUE(IsFeatureAvailableForStream(*partner_content));
  EXPECT_FALSE(features::IsFeatureEnabledByValue(kKeepCustomPartnerContentFileInProfile));
  EXPECT_EQ(-1, FindStreamRow("XYZ", 2));
  EXPECT_EQ(1, FindStreamRow("TRV", 2));
}

// Which rows are available and overridable on this stream, and the lookup
// of the browser's rows by name.
TEST_F(InstallerFeaturesTest, RowsOfTheTables) {
  size_t count = 0;
  const InstallerFeature* table = GetInstallerFeatureTable(&count);
  for (size_t i = 0; i < count; ++i) {
    const std::string name = table[i].name;
    EXPECT_EQ(name == kInstallerPrefDefaultOverridesSupport || name == kInstallerSupportX64Download,
              IsFeatureAvailableForStream(table[i]))
        << name;
    EXPECT_EQ(name != kInstallerHideFromProgramAndFeatures, IsFeatureDefaultOnForStream(table[i]))
        << name;
  }
  for (const char* name : {kVemoLibrary, kHandleProprietaryUris}) {
    ASSERT_TRUE(FindBrowserFeature(name)) << name;
    EXPECT_EQ(std::string(name), FindBrowserFeature(name)->name);
  }
  EXPECT_FALSE(FindBrowserFeature(kInstallerExperimentTest));
  EXPECT_FALSE(FindBrowserFeature("Vemo-library"));
}

// Proprietary URIs are handled from Windows 10 version 1703 on, and only
// when their feature is on.
TEST_F(InstallerFeaturesTest, ProprietaryUrisNeedWindows10Version1703AndTheFeature) {
  using base::win::OSInfo;
  {
    base::win::ScopedOSInfoForTesting system(base::win::VERSION_WIN10_RS2,
                                             OSInfo::X64_ARCHITECTURE);
    EXPECT_FALSE(ShouldHandleProprietaryUris());
  }
  FeatureRegistry::GetInstance()->RegisterFeature(kHandleProprietaryUris, /*enabled_by_default=*/true,
                                                  /*overridable=*/true);
  for (base::win::Version version : {base::win::VERSION_WIN10_RS1, base::win::VERSION_WIN10_RS2}) {
    base::win::ScopedOSInfoForTesting system(version, OSInfo::X64_ARCHITECTURE);
    EXPECT_EQ(version == base::win::VERSION_WIN10_RS2, ShouldHandleProprietaryUris()) << version;
  }
}

TEST_F(InstallerFeaturesTest, CommandLineOverrides) {
  ReadSwitches(L"--with-feature:installer-experiment-test "
               L"--with-feature:installer-support-x64-download=off "
               L"--with-feature:installer-use-minimal-package=yes "
               L"--with-feature:installer-hide-from-program-and-features=on");
  EXPECT_TRUE(features::IsFeatureEnabled(kInstallerExperimentTest));
  EXPECT_FALSE(features::IsFeatureEnabled(kInstallerSupportX64Download));
  // "yes" is refused with a warning: the default stays.
  EXPECT_FALSE(features::IsFeatureEnabled(kInstallerUseMinimalPackage));
  // Not overridable for this product.
  EXPECT_FALSE(features::IsFeatureEnabled(kInstallerHideFromProgramAndFeatures));

  // Only what a reader mentioned travels to the backend, never the defaults.
  base::CommandLine backend(base::CommandLine::NO_PROGRAM);
  features::AppendFeatureSwitches(&backend);
  auto switches = backend.GetSwitches();
  EXPECT_EQ(3u, switches.size());
  EXPECT_EQ(L"on", switches["with-feature:installer-experiment-test"]);
  EXPECT_EQ(L"off", switches["with-feature:installer-support-x64-download"]);
}

TEST_F(InstallerFeaturesTest, ListEntriesAndNewestWins) {
  base::ListValue list;
  list.AppendString("installer-use-minimal-package@1");
  list.AppendString("installer-experiment-test@3");
  list.AppendString("installer-experiment-test@");
  list.AppendString("installer-experiment-test@1@2");
  list.AppendInteger(7);
  list.AppendString(" installer-support-x64-download @ 2 ");
  ListFeatureReader reader(list);
  FeatureRegistry::GetInstance()->AddReader(&reader);
  EXPECT_TRUE(features::IsFeatureEnabled(kInstallerUseMinimalPackage));
  EXPECT_FALSE(features::IsFeatureEnabled(kInstallerExperimentTest));
  EXPECT_FALSE(features::IsFeatureEnabled(kInstallerSupportX64Download));
  EXPECT_EQ(2u, FeatureRegistry::GetInstance()->GetFeatureStates().size());

  ReadSwitches(L"--with-feature:installer-use-minimal-package=off");
  EXPECT_FALSE(features::IsFeatureEnabled(kInstallerUseMinimalPackage));
}

}  // namespace
