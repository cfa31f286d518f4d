#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_ENTRY_SOURCE_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_ENTRY_SOURCE_H_

#include <cstddef>
#include <cstdint>

#include "7z.h"

#include "desktop/windows/installer/lzma_util/lzma_util.h"

// Where LzmaUtil::Extract gets the decoded bytes of the entries it writes,
// one entry after the other in archive order.
class EntrySource {
 public:
  struct Piece {
    const uint8_t* data = nullptr;
    size_t size = 0;
    // The entry's final piece.
    bool last = false;
    // The source the bytes go back to.
    EntrySource* owner = nullptr;
  };

  virtual ~EntrySource() = default;
  // Makes entry `index`'s bytes ready to be read, before its file is made.
  virtual LzmaUtil::ExtractResult Prepare(uint32_t index) = 0;
  // The entry's next bytes. Only for entries with bytes in a solid block.
  // The bytes of a piece given with kOk are lent: their owner neither frees
  // nor reuses them until they are given back to it with ReleasePiece, and
  // each such piece must be given back.
  virtual LzmaUtil::ExtractResult NextPiece(Piece* piece) = 0;
  // Gives a piece's bytes back; called on any thread.
  virtual void ReleasePiece(const uint8_t* data) = 0;

  // ReleasePiece as a FileWriterPool::ReleaseCallback, `owner` the piece's.
  static void ReleasePieceOf(void* owner, const uint8_t* data);

 protected:
  // Logs a failed page read of mapped memory, keeps its status as the last
  // error code and returns kInPageError.
  static LzmaUtil::ExtractResult InPageError(uint32_t status, uint32_t* last_error_code);
  // Logs why entry `index` could not be decoded (`result`, the SDK's) and
  // returns kDecodeFailed.
  static LzmaUtil::ExtractResult DecodeFailure(const CSzArEx* db, uint32_t index, SRes result);
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_ENTRY_SOURCE_H_
