#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_HANDLE_TEXT_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_HANDLE_TEXT_H_

#include <windows.h>

#include <string>

// How a handle value is named on a child's command line
// ("initial-proc-handle", "run-secret-handle").

// The upper-case hexadecimal text of the raw, little-endian bytes of a
// handle value. Eight bytes are the value itself; four are a signed 32-bit
// value widened with its sign. False for any other length or text.
bool DecodeHandleText(const std::string& text, HANDLE* handle);
// The text an installer process writes: the handle's eight bytes.
std::string EncodeHandleText(HANDLE handle);

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_HANDLE_TEXT_H_
