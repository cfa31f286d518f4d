#include "desktop/windows/installer/lzma_util/entry_source.h"

#include "base/logging.h"
#include "base/strings/stringprintf.h"

// static
LzmaUtil::ExtractResult EntrySource::InPageError(uint32_t status, uint32_t* last_error_code) {
  *last_error_code = status;
  LOG(ERROR) << "EXCEPTION_IN_PAGE_ERROR while accessing mapped memory; NTSTATUS = "
             << base::StringPrintf("0x%08X", status);
  return LzmaUtil::kInPageError;
}

// static
void EntrySource::ReleasePieceOf(void* context, const uint8_t* data) {
  static_cast<EntrySource*>(context)->ReleasePiece(data);
}
