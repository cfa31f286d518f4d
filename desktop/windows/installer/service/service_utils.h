#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_SERVICE_UTILS_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_SERVICE_UTILS_H_

#include <string>

// The browser executable's file name: the product's file-name base + ".exe".
std::wstring GetBrowserExeName();

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_SERVICE_UTILS_H_
