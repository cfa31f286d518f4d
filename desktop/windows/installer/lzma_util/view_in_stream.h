#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_VIEW_IN_STREAM_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_VIEW_IN_STREAM_H_

#include <cstddef>
#include <cstdint>

#include "7zTypes.h"

// The decoder's input over bytes in memory (a view of the archive): Look
// lends them in place, with no copy and no system call. Whoever decodes
// from a mapped view does so under an InPageErrorGuard that covers it.
// `vt` comes first so that the decoder's ILookInStream pointer is this
// object.
struct ViewInStream {
  ViewInStream(const uint8_t* data, size_t size);

  ILookInStream vt;
  const uint8_t* data;
  size_t size;
  size_t position = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_VIEW_IN_STREAM_H_
