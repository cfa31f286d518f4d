#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_WHOLE_BLOCK_SOURCE_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_WHOLE_BLOCK_SOURCE_H_

#include <cstddef>
#include <cstdint>

#include "7z.h"
#include "base/files/file_path.h"
#include "desktop/windows/installer/lzma_util/entry_source.h"
#include "desktop/windows/installer/lzma_util/file_backed_sz_alloc.h"
#include "desktop/windows/installer/lzma_util/lent_pieces.h"

// The LZMA SDK's own decoder: it unpacks each solid block whole into one
// buffer, in a temporary file mapped into memory (FileBackedSzAlloc), and
// the entries are read from there. Reads any folder the SDK reads. The
// buffer is given up (for the next block) only once every piece lent from
// it is back.
class WholeBlockSource : public EntrySource {
 public:
  // `hook` (tests only, may be null) runs after each decoded block.
  WholeBlockSource(const CSzArEx* db,
                   ILookInStreamPtr stream,
                   const base::FilePath& temp_folder,
                   LzmaUtil::DecodedBlockHook hook,
                   uint32_t* last_error_code);
  WholeBlockSource(const WholeBlockSource&) = delete;
  WholeBlockSource& operator=(const WholeBlockSource&) = delete;
  ~WholeBlockSource() override;

  LzmaUtil::ExtractResult Prepare(uint32_t index) override;
  LzmaUtil::ExtractResult NextPiece(Piece* piece) override;
  void ReleasePiece(const uint8_t* data) override;

 private:
  static void Decode(void* argument);
  static bool InBuffer(const void* context, const void* address);

  const CSzArEx* const db_;
  const ILookInStreamPtr stream_;
  FileBackedSzAlloc alloc_;
  const LzmaUtil::DecodedBlockHook hook_;
  uint32_t* const last_error_code_;
  UInt32 block_index_ = 0xFFFFFFFF;
  Byte* buffer_ = nullptr;
  size_t buffer_size_ = 0;
  size_t offset_ = 0;
  size_t size_ = 0;
  LentPieces lent_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_WHOLE_BLOCK_SOURCE_H_
