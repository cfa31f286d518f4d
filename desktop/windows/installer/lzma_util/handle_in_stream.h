#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_HANDLE_IN_STREAM_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_HANDLE_IN_STREAM_H_

#include <windows.h>

#include "7zTypes.h"

// The decoder's seekable input over an open file handle (not owned).
// `vt` comes first so that the decoder's ISeekInStream pointer is this
// object.
struct HandleInStream {
  explicit HandleInStream(HANDLE file);

  ISeekInStream vt;
  HANDLE file;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_HANDLE_IN_STREAM_H_
