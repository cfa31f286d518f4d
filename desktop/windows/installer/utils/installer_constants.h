#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_CONSTANTS_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_CONSTANTS_H_

// The engine library that travels with every copy of installer.exe.
inline constexpr wchar_t kEngineDllName[] = L"installer_engine.dll";

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_CONSTANTS_H_
