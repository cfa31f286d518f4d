#include "desktop/windows/installer/lzma_util/header_keeping_alloc.h"

#include <cstdlib>

HeaderKeepingAlloc::HeaderKeepingAlloc() {
  vt_.vt.Alloc = &AllocThunk;
  vt_.vt.Free = &FreeThunk;
  vt_.owner = this;
}

HeaderKeepingAlloc::~HeaderKeepingAlloc() {
  std::free(kept_);
  for (const auto& block : sizes_)
    std::free(block.first);
}

// static
void* HeaderKeepingAlloc::AllocThunk(ISzAllocPtr p, size_t size) {
  HeaderKeepingAlloc* self = reinterpret_cast<const Vt*>(p)->owner;
  // As the SDK's own: nothing for nothing.
  void* block = size == 0 ? nullptr : std::malloc(size);
  if (block)
    self->sizes_[block] = size;
  return block;
}

// static
void HeaderKeepingAlloc::FreeThunk(ISzAllocPtr p, void* address) {
  HeaderKeepingAlloc* self = reinterpret_cast<const Vt*>(p)->owner;
  auto block = self->sizes_.find(address);
  if (block == self->sizes_.end())
    return;
  std::free(self->kept_);
  self->kept_ = address;
  self->kept_size_ = block->second;
  self->sizes_.erase(block);
}
