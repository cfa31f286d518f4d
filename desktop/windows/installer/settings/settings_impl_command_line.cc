// The settings written back as switches for the backend process, which
// builds the same settings from them.

#include <iterator>

#include "base/command_line.h"
#include "base/features/feature_registry.h"
#include "base/logging.h"
#include "desktop/windows/installer/settings/settings_impl.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/installer_switches.h"

namespace {

constexpr const char* kCopiedSwitches[] = {switches::kInitialPid, switches::kTempFolder,
                                           switches::kComponents, switches::kVerbosity};
constexpr const char* kPassThroughSwitches[] = {
    switches::kImportBookmarks, switches::kImportSession, switches::kImportTopSitesToSpeedDial};
constexpr const char* kTrackingSwitches[] = {switches::kServerTrackingData};

}  // namespace

void SettingsImpl::AppendPassThroughSwitches(base::CommandLine* command_line) const {
  command_line->CopySwitchesFrom(session_->command_line(), kPassThroughSwitches,
                                 std::size(kPassThroughSwitches));
}

void SettingsImpl::ToCommandLine(base::CommandLine* command_line, bool suppress_launch) const {
  const base::CommandLine& own = session_->command_line();
  const auto append_flag = [&](SettingsFlag flag) {
    command_line->AppendSwitchNative(SettingsFlagSwitch(flag), SwitchBoolValue(GetFlag(flag)));
  };
  command_line->AppendSwitch(switches::kBackend);
  command_line->CopySwitchesFrom(own, kCopiedSwitches, std::size(kCopiedSwitches));

  switch (operation_) {
    case INSTALL_OPERATION_INSTALL:
    case INSTALL_OPERATION_UPGRADE:
      command_line->AppendSwitch(switches::kInstall);
      append_flag(IMPORT_BROWSER_DATA);
      append_flag(ENABLE_TARVO_STATS);
      append_flag(ENABLE_INSTALLER_STATS);
      command_line->AppendSwitchNative(switches::kLaunchTarvo,
                                       SwitchBoolValue(!suppress_launch && GetFlag(LAUNCH_TARVO)));
      command_line->AppendSwitchPath(switches::kInstallFolder, GetInstallFolderPath());
      command_line->AppendSwitchPath(switches::kProfileFolder, profile_folder_);
      if (!language_.empty())
        command_line->AppendSwitchNative(switches::kLanguage, language_);
      if (operation_ == INSTALL_OPERATION_INSTALL) {
        append_flag(SINGLE_PROFILE);
        append_flag(COPY_ONLY);
      }
      if (!GetFlag(COPY_ONLY)) {
        if (operation_ == INSTALL_OPERATION_INSTALL)
          append_flag(ALL_USERS_FLAG);
        for (SettingsFlag flag : {DEFAULT_BROWSER, START_MENU_SHORTCUT, DESKTOP_SHORTCUT,
                                  QUICK_LAUNCH_SHORTCUT, PINNED_SHORTCUT}) {
          append_flag(flag);
        }
        // Read as "on" whenever present, so written only when on; without
        // it the backend would lose the choice.
        if (GetFlag(INSTALL_ASSISTANT))
          command_line->AppendSwitch(switches::kInstallAssistant);
      }
      command_line->CopySwitchesFrom(own, kTrackingSwitches, std::size(kTrackingSwitches));
      features::AppendFeatureSwitches(command_line);
      AppendPassThroughSwitches(command_line);
      break;
    case INSTALL_OPERATION_UNINSTALL:
      command_line->AppendSwitch(switches::kUninstall);
      append_flag(DELETE_PROFILE);
      break;
    case INSTALL_OPERATION_FIX_DOWNLOADABLE_RESOURCES:
      command_line->AppendSwitchPath(switches::kInstallFolder, GetInstallFolderPath());
      append_flag(ALL_USERS_FLAG);
      break;
    case INSTALL_OPERATION_REGISTER_PROTOCOL_HANDLER:
    case INSTALL_OPERATION_UNKNOWN:
      break;
  }
  VLOG(1) << "Settings as command line: " << command_line->GetCommandLineString();
}
