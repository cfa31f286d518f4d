#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_FILE_BACKED_SZ_ALLOC_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_FILE_BACKED_SZ_ALLOC_H_

#include <windows.h>

#include <unordered_set>

#include "7zTypes.h"
#include "base/files/file_path.h"

// The decoder's main allocator. The decoder unpacks a whole solid block
// into one buffer, which for a package is hundreds of MB; that buffer is
// placed in a delete-on-close temporary file mapped into memory, so the
// system can page it out to its own file instead of the page file. One
// mapping exists at a time (the first allocation, which is the block
// buffer); other allocations, and every allocation when the temporary file
// cannot be made, come from the heap. A freed block buffer stays mapped
// for the next block's, which reuses the file, the mapping and its pages
// when it fits.
class FileBackedSzAlloc {
 public:
  // Makes the temporary file in `folder` (which must exist).
  explicit FileBackedSzAlloc(const base::FilePath& folder);
  FileBackedSzAlloc(const FileBackedSzAlloc&) = delete;
  FileBackedSzAlloc& operator=(const FileBackedSzAlloc&) = delete;
  // Releases the mapping and any heap block still allocated (a fault may
  // have abandoned the decoder before it freed them), then closes (and so
  // deletes) the temporary file.
  ~FileBackedSzAlloc();

  ISzAllocPtr get() const { return &vt_.vt; }

  void* Alloc(size_t size);
  void Free(void* address);
  // The mapped buffer: kept, with what was filled in, when it holds `size`
  // bytes already, and made anew otherwise, at least twice as large as
  // before (so that blocks growing a little at a time remap it rarely);
  // null when it cannot be mapped.
  void* MapAtLeast(size_t size);
  // Writes zeros through the file over the mapped buffer up to `end` (at
  // most its size), where it has not done so yet. The first write to a
  // page of the mapping that the file does not hold yet is a costly fault
  // under Wine (about 10 ms per MB on a busy machine, most of an
  // extraction's system time), while a page the file already holds faults
  // cheaply: filling the file first, in small pieces, costs a fraction.
  // After a failure the pages are left to fault in one by one.
  void PrefillTo(size_t end);
  // Whether `address` lies inside the mapped buffer (not once freed).
  bool Contains(const void* address) const;

  bool is_file_backed() const { return file_ != INVALID_HANDLE_VALUE; }
  const base::FilePath& temp_file_path() const { return temp_file_path_; }

 private:
  static void* AllocThunk(ISzAllocPtr p, size_t size);
  static void FreeThunk(ISzAllocPtr p, void* address);
  void* MapFile(size_t size);
  void Unmap();

  // What the decoder holds: the function table and the way back to us.
  struct Vt {
    ISzAlloc vt;
    FileBackedSzAlloc* owner;
  };

  Vt vt_;
  base::FilePath temp_file_path_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  HANDLE mapping_ = nullptr;
  char* base_ = nullptr;
  size_t size_ = 0;
  // Of the last mapping, for the next one.
  size_t mapped_before_ = 0;
  // The mapped buffer was freed: it waits for the next one.
  bool parked_ = false;
  // Bytes of the buffer filled so far, and the zeros they are filled from.
  size_t prefilled_ = 0;
  void* zeros_ = nullptr;
  std::unordered_set<void*> heap_blocks_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_FILE_BACKED_SZ_ALLOC_H_
