#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_BLOCK_MEMORY_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_BLOCK_MEMORY_H_

#include <cstddef>

// Memory that decoded bytes are lent to the file writers from: pages of
// their own, not the heap, so that once given up they can be made
// unreadable. Given up through here, a buffer is gone for good; a writer
// still reading it would be a fault of its owner.
class BlockMemory {
 public:
  // Committed, zeroed pages; null when there are none.
  static void* Allocate(size_t size);
  static void Free(void* block, size_t size);
  // Unmaps a view of a mapped buffer.
  static void Unmap(void* view, size_t size);

  // Tests only: given-up buffers keep their addresses, unreadable, instead
  // of being released (a page-heap-like check), so that a late reader
  // faults, or its WriteFile fails, rather than read memory used anew.
  static void SetKeepFreedUnreadableForTesting(bool keep);
  // Tests only: buffers given up so far.
  static size_t FreedCountForTesting();
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_BLOCK_MEMORY_H_
