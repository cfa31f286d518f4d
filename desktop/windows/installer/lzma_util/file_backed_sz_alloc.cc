#include "desktop/windows/installer/lzma_util/file_backed_sz_alloc.h"

#include <algorithm>
#include <cstdlib>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/lzma_util/block_memory.h"

namespace {

// Small writes: under Wine the pages written by larger ones still fault
// expensively when the mapping first touches them.
constexpr size_t kPrefillChunk = 256 << 10;

}  // namespace

// static
void* FileBackedSzAlloc::AllocThunk(ISzAllocPtr p, size_t size) {
  FileBackedSzAlloc* self = reinterpret_cast<const Vt*>(p)->owner;
  void* block = self->Alloc(size);
  // The decoder's first allocation is the block it decodes into at once.
  if (block && block == self->base_)
    self->PrefillTo(size);
  return block;
}

// static
void FileBackedSzAlloc::FreeThunk(ISzAllocPtr p, void* address) {
  reinterpret_cast<const Vt*>(p)->owner->Free(address);
}

FileBackedSzAlloc::FileBackedSzAlloc(const base::FilePath& folder) {
  vt_.vt.Alloc = &AllocThunk;
  vt_.vt.Free = &FreeThunk;
  vt_.owner = this;
  if (!base::CreateTemporaryFileInDir(folder, &temp_file_path_))
    return;
  file_ = ::CreateFileW(temp_file_path_.value().c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                        nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) {
    PLOG(WARNING) << "Decoder buffer stays on the heap; CreateFile failed for "
                  << temp_file_path_;
    base::DeleteFile(temp_file_path_, /*recursive=*/false);
  }
}

FileBackedSzAlloc::~FileBackedSzAlloc() {
  Unmap();
  if (zeros_)
    ::VirtualFree(zeros_, 0, MEM_RELEASE);
  for (void* block : heap_blocks_)
    std::free(block);
  if (file_ != INVALID_HANDLE_VALUE)
    ::CloseHandle(file_);
}

void* FileBackedSzAlloc::Alloc(size_t size) {
  if (size == 0)
    return nullptr;
  if (is_file_backed() && (!mapping_ || parked_)) {
    parked_ = false;
    if (void* mapped = MapAtLeast(size))
      return mapped;
  }
  void* block = std::malloc(size);
  if (block)
    heap_blocks_.insert(block);
  return block;
}

void* FileBackedSzAlloc::MapAtLeast(size_t size) {
  if (mapping_ && size_ >= size)
    return base_;
  Unmap();
  if (!is_file_backed() || size == 0)
    return nullptr;
  if (mapped_before_ > 0 && mapped_before_ <= SIZE_MAX / 2)
    size = std::max(size, 2 * mapped_before_);
  return MapFile(size);
}

void FileBackedSzAlloc::Free(void* address) {
  if (!address)
    return;
  if (mapping_ && address == base_ && !parked_) {
    parked_ = true;
    return;
  }
  if (heap_blocks_.erase(address))
    std::free(address);
}

void FileBackedSzAlloc::PrefillTo(size_t end) {
  end = std::min(end, size_);
  if (!base_ || prefilled_ >= end)
    return;
  // Committed memory never written reads as zeros and takes no memory.
  if (!zeros_)
    zeros_ = ::VirtualAlloc(nullptr, kPrefillChunk, MEM_COMMIT | MEM_RESERVE, PAGE_READONLY);
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(prefilled_);
  if (!zeros_ || !::SetFilePointerEx(file_, position, nullptr, FILE_BEGIN)) {
    PLOG(WARNING) << "Cannot fill the decoder buffer file";
    prefilled_ = size_;
    return;
  }
  while (prefilled_ < end) {
    const DWORD chunk = static_cast<DWORD>(std::min(kPrefillChunk, size_ - prefilled_));
    DWORD written = 0;
    if (!::WriteFile(file_, zeros_, chunk, &written, nullptr) || written != chunk) {
      PLOG(WARNING) << "Cannot fill the decoder buffer file past " << prefilled_ << " bytes";
      prefilled_ = size_;
      return;
    }
    prefilled_ += chunk;
  }
}

bool FileBackedSzAlloc::Contains(const void* address) const {
  const char* p = static_cast<const char*>(address);
  return base_ && !parked_ && p >= base_ && p < base_ + size_;
}

void* FileBackedSzAlloc::MapFile(size_t size) {
  LARGE_INTEGER length;
  length.QuadPart = static_cast<LONGLONG>(size);
  if (!::SetFilePointerEx(file_, length, nullptr, FILE_BEGIN) || !::SetEndOfFile(file_)) {
    PLOG(WARNING) << "Cannot size the decoder buffer file to " << size << " bytes";
    return nullptr;
  }
  mapping_ = ::CreateFileMappingW(file_, nullptr, PAGE_READWRITE, 0, 0, nullptr);
  if (!mapping_) {
    PLOG(WARNING) << "CreateFileMapping failed for the decoder buffer";
    return nullptr;
  }
  base_ = static_cast<char*>(::MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, 0));
  if (!base_) {
    PLOG(WARNING) << "MapViewOfFile failed for the decoder buffer";
    ::CloseHandle(mapping_);
    mapping_ = nullptr;
    return nullptr;
  }
  size_ = size;
  mapped_before_ = size;
  return base_;
}

void FileBackedSzAlloc::Unmap() {
  BlockMemory::Unmap(base_, size_);
  if (mapping_)
    ::CloseHandle(mapping_);
  base_ = nullptr;
  size_ = 0;
  parked_ = false;
  prefilled_ = 0;
  mapping_ = nullptr;
}
