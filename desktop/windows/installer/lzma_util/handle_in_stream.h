#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_HANDLE_IN_STREAM_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_HANDLE_IN_STREAM_H_

#include <windows.h>

#include <cstdint>

#include "7zTypes.h"

// The decoder's seekable input over an open file handle (not owned), which
// ends at `end`: reads stop there and SZ_SEEK_END counts from it. `vt`
// comes first so that the decoder's ISeekInStream pointer is this object.
struct HandleInStream {
  HandleInStream(HANDLE file, int64_t end);

  ISeekInStream vt;
  HANDLE file;
  int64_t end;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_HANDLE_IN_STREAM_H_
