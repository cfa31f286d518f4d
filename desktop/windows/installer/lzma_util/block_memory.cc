#include "desktop/windows/installer/lzma_util/block_memory.h"

#include <windows.h>

#include <atomic>

#include "base/logging.h"

namespace {

std::atomic<bool> g_keep_freed_unreadable{false};
std::atomic<size_t> g_freed{0};

}  // namespace

// static
void* BlockMemory::Allocate(size_t size) {
  return ::VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

// static
void BlockMemory::Free(void* block, size_t size) {
  if (!block)
    return;
  ++g_freed;
  if (g_keep_freed_unreadable)
    ::VirtualFree(block, size, MEM_DECOMMIT);
  else
    ::VirtualFree(block, 0, MEM_RELEASE);
}

// static
void BlockMemory::Unmap(void* view, size_t size) {
  if (!view)
    return;
  ++g_freed;
  ::UnmapViewOfFile(view);
  // Held at once: another thread may map something there meanwhile, which
  // only makes the check miss this buffer.
  if (g_keep_freed_unreadable && !::VirtualAlloc(view, size, MEM_RESERVE, PAGE_NOACCESS))
    PLOG(WARNING) << "An unmapped buffer's range could not be held";
}

// static
void BlockMemory::SetKeepFreedUnreadableForTesting(bool keep) {
  g_keep_freed_unreadable = keep;
}

// static
size_t BlockMemory::FreedCountForTesting() {
  return g_freed;
}
