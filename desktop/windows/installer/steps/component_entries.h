#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_COMPONENT_ENTRIES_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_COMPONENT_ENTRIES_H_

#include <string>
#include <vector>

#include "base/files/file_path.h"

struct StatusComponent;

// One entry of the "components" switch: "<name>:<folder>".
struct ComponentEntry {
  std::wstring name;
  std::wstring folder;
};

// Splits the switch value at "|" (blanks trimmed, empty entries dropped)
// and each entry at its first ":". Entries whose name is not one plain file
// name or whose folder is not a safe relative path are left out and
// logged: they would reach outside the folders they are joined to.
std::vector<ComponentEntry> ParseComponentsSwitch(const std::wstring& value);

// Whether a component read from a status record names a plain file name
// and a folder strictly inside `install_folder`; logs one that does not.
bool IsRecordedComponentSafe(const StatusComponent& component,
                             const base::FilePath& install_folder);

// "<name>_installer.exe" in `folder`; for "suite", when that file does not
// exist, the assistant's installer in the same folder.
base::FilePath GetComponentInstallerPath(const base::FilePath& folder, const std::wstring& name);

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_COMPONENT_ENTRIES_H_
