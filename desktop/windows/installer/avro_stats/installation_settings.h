#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLATION_SETTINGS_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLATION_SETTINGS_H_

#include <stdint.h>

// The summary of the installation settings that the statistics report.
struct InstallationSettings {
  bool make_default = false;
  bool using_default_installation_folder = false;
  // The folder needs administrator rights.
  bool using_privileged_installation_folder = false;
  // The InstallMode value.
  int32_t installation_mode = 0;
  // The InstallOperation value.
  int32_t installation_operation = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLATION_SETTINGS_H_
