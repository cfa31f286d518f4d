#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_ARCHIVE_VIEW_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_ARCHIVE_VIEW_H_

#include <windows.h>

#include <cstddef>
#include <cstdint>

// A read-only view of a whole open file: the streaming decoder reads the
// packed streams of an archive from it on several threads at once.
class ArchiveView {
 public:
  ArchiveView();
  ArchiveView(const ArchiveView&) = delete;
  ArchiveView& operator=(const ArchiveView&) = delete;
  ~ArchiveView();

  // False when the file is empty or cannot be mapped.
  bool Map(HANDLE file);
  // Ends the view at `end` (when the file is longer): nothing is read from
  // beyond it.
  void LimitTo(size_t end);

  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  HANDLE mapping_ = nullptr;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_ARCHIVE_VIEW_H_
