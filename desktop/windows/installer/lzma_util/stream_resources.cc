#include "desktop/windows/installer/lzma_util/stream_resources.h"

#include "base/logging.h"
#include "desktop/windows/installer/lzma_util/block_memory.h"
#include "desktop/windows/installer/lzma_util/file_backed_sz_alloc.h"

StreamResources::StreamResources(const base::FilePath& temp_folder)
    : temp_folder_(temp_folder) {}

StreamResources::~StreamResources() {
  BlockMemory::Free(piece_memory_, piece_memory_size_);
}

uint8_t* StreamResources::PieceMemory(size_t size) {
  DCHECK(!piece_memory_ || size == piece_memory_size_);
  if (!piece_memory_) {
    piece_memory_ = static_cast<uint8_t*>(BlockMemory::Allocate(size));
    piece_memory_size_ = piece_memory_ ? size : 0;
  }
  return piece_memory_;
}

std::unique_ptr<FileBackedSzAlloc> StreamResources::TakeBufferFile() {
  if (kept_)
    return std::move(kept_);
  return std::make_unique<FileBackedSzAlloc>(temp_folder_);
}

void StreamResources::KeepBufferFile(std::unique_ptr<FileBackedSzAlloc> alloc) {
  kept_ = std::move(alloc);
}
