#ifndef DESKTOP_WINDOWS_INSTALLER_IPC_IPC_NAMES_H_
#define DESKTOP_WINDOWS_INSTALLER_IPC_IPC_NAMES_H_

#include <string>

#include "desktop/windows/installer/utils/installer_event_names.h"

// The thread of each end of the mailslot.
inline constexpr char kInstallerIpcThreadName[] = "Installer IPC thread";

// "\\.\mailslot\" followed by `name`.
inline std::wstring GetMailslotFullName(const std::wstring& name) {
  return kMailslotNamespace + name;
}

#endif  // DESKTOP_WINDOWS_INSTALLER_IPC_IPC_NAMES_H_
