#include "base/files/memory_mapped_file.h"

#include <utility>

#include "base/logging.h"
#include "base/win/windows_version.h"

namespace base {

const MemoryMappedFile::Region MemoryMappedFile::Region::kWholeFile = {0, 0};

namespace {
uint8_t g_empty_file_byte = 0;
}

MemoryMappedFile::MemoryMappedFile() = default;

MemoryMappedFile::~MemoryMappedFile() { CloseHandles(); }

bool MemoryMappedFile::Initialize(const FilePath& file_name, Access access) {
  if (IsValid()) return false;
  uint32_t flags = File::FLAG_OPEN | File::FLAG_READ;
  if (access == READ_WRITE) flags |= File::FLAG_WRITE;
  file_.Initialize(file_name, flags);
  if (!file_.IsValid()) {
    DLOG(ERROR) << "Couldn't open " << file_name;
    return false;
  }
  if (!MapFileRegionToMemory(Region::kWholeFile, access)) {
    CloseHandles();
    return false;
  }
  return true;
}

bool MemoryMappedFile::Initialize(File file, Access access) {
  return Initialize(std::move(file), Region::kWholeFile, access);
}

bool MemoryMappedFile::Initialize(File file, const Region& region, Access access) {
  if (IsValid()) return false;
  if (region.offset < 0) return false;
  file_ = std::move(file);
  if (!file_.IsValid() || !MapFileRegionToMemory(region, access)) {
    CloseHandles();
    return false;
  }
  return true;
}

bool MemoryMappedFile::MapFileRegionToMemory(const Region& region, Access access) {
  const int64_t file_length = file_.GetLength();
  if (file_length < 0) return false;
  const bool whole = region.offset == 0 && region.size == 0;
  const int64_t offset = region.offset;
  uint64_t size = whole ? static_cast<uint64_t>(file_length) : region.size;
  if (offset > file_length || size > static_cast<uint64_t>(file_length - offset)) return false;
  if (size == 0) {
    // Nothing to map: valid and empty.
    data_ = &g_empty_file_byte;
    length_ = 0;
    return true;
  }

  file_mapping_.Set(::CreateFileMappingW(file_.GetPlatformFile(), nullptr,
                                         access == READ_WRITE ? PAGE_READWRITE : PAGE_READONLY,
                                         0, 0, nullptr));
  if (!file_mapping_.IsValid()) return false;

  // Views start on the allocation granularity; the region may not.
  const int64_t granularity =
      static_cast<int64_t>(win::OSInfo::GetInstance()->allocation_granularity());
  const int64_t aligned_start = (offset / granularity) * granularity;
  const uint64_t adjustment = static_cast<uint64_t>(offset - aligned_start);
  const uint64_t view_size = size + adjustment;
  if (view_size > SIZE_MAX) return false;
  view_ = static_cast<uint8_t*>(::MapViewOfFile(
      file_mapping_.Get(), access == READ_WRITE ? FILE_MAP_WRITE : FILE_MAP_READ,
      static_cast<DWORD>(static_cast<uint64_t>(aligned_start) >> 32),
      static_cast<DWORD>(aligned_start & 0xFFFFFFFF), static_cast<SIZE_T>(view_size)));
  if (!view_) return false;
  data_ = view_ + adjustment;
  length_ = static_cast<size_t>(size);
  return true;
}

void MemoryMappedFile::CloseHandles() {
  if (view_) ::UnmapViewOfFile(view_);
  view_ = nullptr;
  data_ = nullptr;
  length_ = 0;
  file_mapping_.Close();
  file_.Close();
}

}  // namespace base
