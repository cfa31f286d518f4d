#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_UNPACK_PROGRESS_OBSERVER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_UNPACK_PROGRESS_OBSERVER_H_

#include <cstddef>

// Told by LzmaUtil::Extract how many entries it is going to write and how
// far it has got. Called on the extracting thread.
class UnpackProgressObserver {
 public:
  virtual ~UnpackProgressObserver() = default;
  // Once, before the first entry: the number of entries to unpack.
  virtual void OnFilesToUnpackCounted(size_t count) = 0;
  // Before each unpacked entry: how many were unpacked before it (0 first).
  virtual void OnUnpackProgressChanged(size_t unpacked) = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_UNPACK_PROGRESS_OBSERVER_H_
