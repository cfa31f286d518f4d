#include "desktop/windows/installer/utils/installer_features.h"

#include "base/command_line.h"
#include "base/features/command_line_feature_reader.h"
#include "base/features/feature_registry.h"
#include "base/features/list_feature_reader.h"
#include "base/values.h"
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
  // Never registered.
  EXPECT_FALSE(features::IsFeatureEnabledByValue(kVemoLibrary));
  EXPECT_EQ(-1, FindStreamRow("XYZ", 2));
  EXPECT_EQ(1, FindStreamRow("TRV", 2));
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
