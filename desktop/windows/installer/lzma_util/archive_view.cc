#include "desktop/windows/installer/lzma_util/archive_view.h"

#include <cstdint>

#include "base/logging.h"

ArchiveView::ArchiveView() = default;

ArchiveView::~ArchiveView() {
  if (data_)
    ::UnmapViewOfFile(data_);
  if (mapping_)
    ::CloseHandle(mapping_);
}

void ArchiveView::LimitTo(size_t end) {
  if (end < size_)
    size_ = end;
}

bool ArchiveView::Map(HANDLE file) {
  DCHECK(!mapping_);
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file, &size) || size.QuadPart <= 0 ||
      static_cast<uint64_t>(size.QuadPart) > SIZE_MAX) {
    return false;
  }
  mapping_ = ::CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (!mapping_) {
    PLOG(WARNING) << "Cannot map the archive";
    return false;
  }
  data_ = static_cast<const uint8_t*>(::MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0));
  if (!data_) {
    PLOG(WARNING) << "Cannot map the archive";
    return false;
  }
  size_ = static_cast<size_t>(size.QuadPart);
  return true;
}
