#ifndef DESKTOP_WINDOWS_INSTALLER_SETTINGS_TEST_SUPPORT_SCOPED_SETTINGS_VALIDATOR_H_
#define DESKTOP_WINDOWS_INSTALLER_SETTINGS_TEST_SUPPORT_SCOPED_SETTINGS_VALIDATOR_H_

#include "desktop/windows/installer/utils/installer_utils.h"

// Has settings checked by ValidateInstallationSettings for the object's
// lifetime, as the engine's entry point sets it up; the validator before
// comes back afterwards.
class ScopedSettingsValidator {
 public:
  ScopedSettingsValidator();
  ~ScopedSettingsValidator();
  ScopedSettingsValidator(const ScopedSettingsValidator&) = delete;
  ScopedSettingsValidator& operator=(const ScopedSettingsValidator&) = delete;

 private:
  const InstallerUtils::SettingsValidator previous_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SETTINGS_TEST_SUPPORT_SCOPED_SETTINGS_VALIDATOR_H_
