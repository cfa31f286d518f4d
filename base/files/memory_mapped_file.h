#ifndef BASE_FILES_MEMORY_MAPPED_FILE_H_
#define BASE_FILES_MEMORY_MAPPED_FILE_H_

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "base/files/file.h"
#include "base/files/file_path.h"
#include "base/win/scoped_handle.h"

namespace base {

// A file (or a part of it) mapped into memory. An empty file maps as
// valid with length 0 (Windows cannot map zero bytes). Reading a mapped
// file that another process truncates raises an access fault: callers
// reading untrusted files guard those reads.
class MemoryMappedFile {
 public:
  enum Access { READ_ONLY, READ_WRITE };

  struct Region {
    static const Region kWholeFile;
    int64_t offset = 0;
    size_t size = 0;  // 0 with offset 0: the whole file
  };

  MemoryMappedFile();
  MemoryMappedFile(const MemoryMappedFile&) = delete;
  MemoryMappedFile& operator=(const MemoryMappedFile&) = delete;
  ~MemoryMappedFile();

  // Each may be called once; false when the file cannot be opened or
  // mapped, or the region lies outside the file.
  [[nodiscard]] bool Initialize(const FilePath& file_name, Access access = READ_ONLY);
  [[nodiscard]] bool Initialize(File file, Access access = READ_ONLY);
  [[nodiscard]] bool Initialize(File file, const Region& region, Access access = READ_ONLY);

  const uint8_t* data() const { return data_; }
  uint8_t* data() { return data_; }
  size_t length() const { return length_; }
  // An empty file maps validly: data() then points at a placeholder byte.
  bool IsValid() const { return data_ != nullptr; }

 private:
  bool MapFileRegionToMemory(const Region& region, Access access);
  void CloseHandles();

  File file_;
  win::ScopedHandle file_mapping_;
  uint8_t* view_ = nullptr;  // start of the mapped view (aligned)
  uint8_t* data_ = nullptr;  // start of the asked region inside it
  size_t length_ = 0;
};

}  // namespace base

#endif  // BASE_FILES_MEMORY_MAPPED_FILE_H_
