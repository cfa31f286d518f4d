#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_HEADER_KEEPING_ALLOC_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_HEADER_KEEPING_ALLOC_H_

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "7zTypes.h"

// The temporary allocator for SzArEx_Open, which keeps the block freed last
// instead of freeing it. SzArEx_Open frees the header it read (decoded,
// when the archive stores it encoded) after everything else: once it has
// succeeded, the block kept is that header, for what the SDK passes over
// (see HeaderReader).
class HeaderKeepingAlloc {
 public:
  HeaderKeepingAlloc();
  HeaderKeepingAlloc(const HeaderKeepingAlloc&) = delete;
  HeaderKeepingAlloc& operator=(const HeaderKeepingAlloc&) = delete;
  ~HeaderKeepingAlloc();

  ISzAllocPtr get() const { return &vt_.vt; }

  // The block freed last, null before any.
  const uint8_t* kept() const { return static_cast<const uint8_t*>(kept_); }
  size_t kept_size() const { return kept_size_; }

 private:
  static void* AllocThunk(ISzAllocPtr p, size_t size);
  static void FreeThunk(ISzAllocPtr p, void* address);

  struct Vt {
    ISzAlloc vt;
    HeaderKeepingAlloc* owner;
  };

  Vt vt_;
  std::unordered_map<void*, size_t> sizes_;
  void* kept_ = nullptr;
  size_t kept_size_ = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_HEADER_KEEPING_ALLOC_H_
