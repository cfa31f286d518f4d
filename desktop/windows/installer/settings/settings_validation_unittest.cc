#include "desktop/windows/installer/settings/settings_validation.h"

#include <memory>
#include <string>

#include "desktop/windows/installer/settings/test_support/fake_settings.h"
#include "desktop/windows/installer/settings/test_support/scoped_settings_validator.h"
#include "desktop/windows/installer/settings/test_support/settings_test_environment.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/installer_result.h"
#include "desktop/windows/installer/utils/installer_utils.h"
#include "desktop/windows/installer/utils/test_support/scoped_installer_error_record.h"
#include "gtest/gtest.h"

namespace {

class SettingsValidationTest : public testing::Test {
 protected:
  // Validates settings whose folder answer is `details`.
  bool Validate(std::unique_ptr<FakeInstallationFolderDetails> details,
                const std::vector<std::wstring>& arguments = {}) {
    SettingsTestEnvironment env(arguments);
    auto settings = env.MakeSettings(std::move(details));
    return InstallerUtils::ValidateSettings(*settings);
  }

  InstallerErrorRecord Error() {
    InstallerErrorRecord record;
    GetInstallerError(&record.code, &record.detail, &record.message);
    return record;
  }

  ScopedInstallerErrorRecord error_record_;
  ScopedSettingsValidator validator_;
};

TEST_F(SettingsValidationTest, DecidedOperationIsValidWhateverElse) {
  EXPECT_TRUE(Validate(nullptr));
  EXPECT_EQ(0u, Error().code);
}

TEST_F(SettingsValidationTest, DecidedOperationWinsOverAFolderProblem) {
  FakeSettings settings;
  settings.operation = INSTALL_OPERATION_UPGRADE;
  settings.folder_problem = FOLDER_PROBLEM_NOT_ENOUGH_SPACE;
  EXPECT_TRUE(InstallerUtils::ValidateSettings(settings));
  settings.operation = INSTALL_OPERATION_UNKNOWN;
  settings.folder_details->volumes_without_enough_space = {{base::FilePath(L"E:"), 200}};
  EXPECT_FALSE(InstallerUtils::ValidateSettings(settings));
  EXPECT_EQ(L"drive E: (200 MB needed)", Error().message);
}

TEST_F(SettingsValidationTest, FolderProblemsBecomeResults) {
  auto invalid = std::make_unique<FakeInstallationFolderDetails>();
  invalid->folder_problem = FOLDER_PROBLEM_INVALID_PATH;
  EXPECT_FALSE(Validate(std::move(invalid)));
  EXPECT_EQ(static_cast<uint32_t>(RESULT_INVALID_PATH), Error().code);
  EXPECT_EQ("Attempting to start installation with invalid settings\nThe path is invalid",
            Error().detail);
  EXPECT_EQ(L"", Error().message);

  EXPECT_FALSE(Validate(nullptr, {L"--uninstall"}));
  EXPECT_EQ(static_cast<uint32_t>(RESULT_UNINSTALL_FAILED), Error().code);
  EXPECT_NE(std::string::npos, Error().detail.find("\nInstallation does not exist"));
}

TEST_F(SettingsValidationTest, NotEnoughSpaceListsTheDrives) {
  auto full = std::make_unique<FakeInstallationFolderDetails>();
  full->folder_problem = FOLDER_PROBLEM_NOT_ENOUGH_SPACE;
  full->volumes_without_enough_space = {{base::FilePath(L"C:"), 400},
                                        {base::FilePath(L"D:"), 200}};
  EXPECT_FALSE(Validate(std::move(full)));
  const InstallerErrorRecord error = Error();
  EXPECT_EQ(static_cast<uint32_t>(RESULT_NOT_ENOUGH_DISK_SPACE), error.code);
  EXPECT_EQ(L"drive C: (400 MB needed), drive D: (200 MB needed)", error.message);
  EXPECT_NE(std::string::npos,
            error.detail.find("\nNot enough disk space: drive C: (400 MB needed), drive D:"));
}

// Details still awaited: refused, and never with code 0.
TEST_F(SettingsValidationTest, UndecidedWithoutProblemIsAGeneralFailure) {
  SettingsTestEnvironment env;
  SettingsImpl settings(env.session(), base::FilePath(), 0, nullptr, env.fetchers().GetFactory());
  ASSERT_TRUE(settings.HasPendingFolderDetails());
  EXPECT_FALSE(InstallerUtils::ValidateSettings(settings));
  EXPECT_EQ(static_cast<uint32_t>(RESULT_GENERAL_FAILURE), Error().code);
}

TEST_F(SettingsValidationTest, WithoutARegisteredCheckNothingPasses) {
  InstallerUtils::SetSettingsValidator(nullptr);
  SettingsTestEnvironment env;
  auto settings = env.MakeSettings();
  ASSERT_EQ(INSTALL_OPERATION_INSTALL, settings->GetOperation());
  EXPECT_FALSE(InstallerUtils::ValidateSettings(*settings));
  EXPECT_EQ(static_cast<uint32_t>(RESULT_GENERAL_FAILURE), Error().code);
}

}  // namespace
