#ifndef DESKTOP_WINDOWS_INSTALLER_RUNNER_INITIAL_PROCESS_H_
#define DESKTOP_WINDOWS_INSTALLER_RUNNER_INITIAL_PROCESS_H_

#include <windows.h>

#include <string>

// How the process that started a backend is handed to it.

// "initial-proc-handle": the upper-case hexadecimal text of the raw,
// little-endian bytes of a handle value. Eight bytes are the value itself;
// four are a signed 32-bit value widened with its sign. False for any
// other length or text.
bool DecodeInitialProcessHandle(const std::string& text, HANDLE* handle);
// The text the main process writes: the handle's eight bytes.
std::string EncodeInitialProcessHandle(HANDLE handle);

#endif  // DESKTOP_WINDOWS_INSTALLER_RUNNER_INITIAL_PROCESS_H_
