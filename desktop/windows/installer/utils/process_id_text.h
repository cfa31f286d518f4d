#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_PROCESS_ID_TEXT_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_PROCESS_ID_TEXT_H_

#include <windows.h>

#include <string>

// A process id given as a switch value ("initial-pid", "parent-pid"): an
// unsigned decimal; leading blanks and a "+" are accepted, a "-", an
// overflow or anything after the digits are not.
bool ParseProcessIdText(const std::wstring& text, DWORD* pid);

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_PROCESS_ID_TEXT_H_
