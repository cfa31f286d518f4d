#include "desktop/windows/installer/settings/settings_flag.h"

#include "base/strings/string_util.h"
#include "desktop/windows/installer/utils/installer_switches.h"

namespace {

struct FlagEntry {
  const char* name;
  const char* switch_name;
};

constexpr FlagEntry kFlags[SETTINGS_FLAG_COUNT] = {
    {"COPY_ONLY", switches::kCopyOnly},
    {"SINGLE_PROFILE", switches::kSingleProfile},
    {"LAUNCH_TARVO", switches::kLaunchTarvo},
    {"ALL_USERS_FLAG", switches::kAllUsers},
    {"DEFAULT_BROWSER", switches::kSetDefaultBrowser},
    {"IMPORT_BROWSER_DATA", switches::kImportBrowserData},
    {"INSTALL_ASSISTANT", switches::kInstallAssistant},
    {"ENABLE_TARVO_STATS", switches::kEnableStats},
    {"ENABLE_INSTALLER_STATS", switches::kEnableInstallerStats},
    {"DESKTOP_SHORTCUT", switches::kDesktopShortcut},
    {"START_MENU_SHORTCUT", switches::kStartMenuShortcut},
    {"QUICK_LAUNCH_SHORTCUT", switches::kQuickLaunchShortcut},
    {"PINNED_SHORTCUT", switches::kPinToTaskbar},
    {"DELETE_PROFILE", switches::kDeleteUserProfile},
};

bool IsFlag(int flag) {
  return flag >= 0 && flag < SETTINGS_FLAG_COUNT;
}

}  // namespace

std::string SettingsFlagName(int flag) {
  return IsFlag(flag) ? kFlags[flag].name : std::string();
}

const char* SettingsFlagSwitch(int flag) {
  return IsFlag(flag) ? kFlags[flag].switch_name : "";
}

bool ParseSwitchBool(const std::wstring& value) {
  if (base::EqualsCaseInsensitiveASCII(value, L"yes") ||
      base::EqualsCaseInsensitiveASCII(value, L"true")) {
    return true;
  }
  size_t position = 0;
  if (position < value.size() && (value[position] == L'-' || value[position] == L'+'))
    ++position;
  // Only whether the number is 0 matters, so its size cannot overflow.
  for (; position < value.size() && value[position] >= L'0' && value[position] <= L'9';
       ++position) {
    if (value[position] != L'0')
      return true;
  }
  return false;
}

const wchar_t* SwitchBoolValue(bool value) {
  return value ? L"1" : L"0";
}
