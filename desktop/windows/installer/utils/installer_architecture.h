#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_ARCHITECTURE_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_ARCHITECTURE_H_

#include <string>

enum InstallerArchitecture {
  INSTALLER_ARCHITECTURE_X86 = 0,
  INSTALLER_ARCHITECTURE_X64 = 1,
  INSTALLER_ARCHITECTURE_INVALID = 2,
};

// "X86", "X64", "invalid"; empty for any other value.
std::string ArchitectureToString(int architecture);
// The same in ASCII lower case.
std::wstring ArchitectureToString16(int architecture);

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_ARCHITECTURE_H_
