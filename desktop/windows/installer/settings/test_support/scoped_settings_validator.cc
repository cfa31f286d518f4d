#include "desktop/windows/installer/settings/test_support/scoped_settings_validator.h"

#include "desktop/windows/installer/settings/settings_validation.h"

ScopedSettingsValidator::ScopedSettingsValidator()
    : previous_(InstallerUtils::SetSettingsValidator(&ValidateInstallationSettings)) {}

ScopedSettingsValidator::~ScopedSettingsValidator() {
  InstallerUtils::SetSettingsValidator(previous_);
}
