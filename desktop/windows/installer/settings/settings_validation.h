#ifndef DESKTOP_WINDOWS_INSTALLER_SETTINGS_SETTINGS_VALIDATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SETTINGS_SETTINGS_VALIDATION_H_

class Settings;

// The check behind InstallerUtils::ValidateSettings: true once the settings
// have decided their operation. Otherwise the folder problem becomes the
// error record's result (3 invalid path, 2 nothing to uninstall, 4 not
// enough disk space, with the drives in the user text), and where there is
// no problem to tell, a general failure (1): a false answer never leaves
// the record at 0.
bool ValidateInstallationSettings(const Settings& settings);

#endif  // DESKTOP_WINDOWS_INSTALLER_SETTINGS_SETTINGS_VALIDATION_H_
