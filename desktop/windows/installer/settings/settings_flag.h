#ifndef DESKTOP_WINDOWS_INSTALLER_SETTINGS_SETTINGS_FLAG_H_
#define DESKTOP_WINDOWS_INSTALLER_SETTINGS_SETTINGS_FLAG_H_

#include <string>

namespace base {
class CommandLine;
}

// Bit indexes of the settings' fourteen flags. The names are the ones
// logged; each flag has the switch that sets it on a command line.
enum SettingsFlag {
  COPY_ONLY = 0,
  SINGLE_PROFILE = 1,
  LAUNCH_TARVO = 2,
  ALL_USERS_FLAG = 3,
  DEFAULT_BROWSER = 4,
  IMPORT_BROWSER_DATA = 5,
  INSTALL_ASSISTANT = 6,
  ENABLE_TARVO_STATS = 7,
  ENABLE_INSTALLER_STATS = 8,
  DESKTOP_SHORTCUT = 9,
  START_MENU_SHORTCUT = 10,
  QUICK_LAUNCH_SHORTCUT = 11,
  PINNED_SHORTCUT = 12,
  DELETE_PROFILE = 13,
  SETTINGS_FLAG_COUNT = 14,
};

// The flag's name ("COPY_ONLY"); empty for an index outside the table.
std::string SettingsFlagName(int flag);

// The flag's switch ("copyonly"); empty for an index outside the table.
// LAUNCH_TARVO answers "launchtarvo"; "launchbrowser" is read as well.
const char* SettingsFlagSwitch(int flag);

// A boolean switch value: true for "yes" or "true" (ASCII case ignored), or
// when the integer its leading digits form (an optional sign first, the
// rest ignored) is not 0. "12abc" and "-1" are true; "", "abc" and " 1"
// are false.
bool ParseSwitchBool(const std::wstring& value);

// "1" or "0", as boolean switches are written.
const wchar_t* SwitchBoolValue(bool value);

#endif  // DESKTOP_WINDOWS_INSTALLER_SETTINGS_SETTINGS_FLAG_H_
