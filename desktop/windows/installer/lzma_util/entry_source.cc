#include "desktop/windows/installer/lzma_util/entry_source.h"

#include <vector>

#include "base/logging.h"
#include "base/strings/stringprintf.h"
#include "desktop/windows/installer/lzma_util/folder_stream.h"
#include "desktop/windows/installer/lzma_util/sz_result_text.h"

// static
LzmaUtil::ExtractResult EntrySource::InPageError(uint32_t status, uint32_t* last_error_code) {
  *last_error_code = status;
  LOG(ERROR) << "EXCEPTION_IN_PAGE_ERROR while accessing mapped memory; NTSTATUS = "
             << base::StringPrintf("0x%08X", status);
  return LzmaUtil::kInPageError;
}

// static
LzmaUtil::ExtractResult EntrySource::DecodeFailure(const CSzArEx* db,
                                                   uint32_t index,
                                                   SRes result) {
  std::vector<UInt16> name(db->FileNameOffsets ? SzArEx_GetFileNameUtf16(db, index, nullptr) : 0);
  if (!name.empty())
    SzArEx_GetFileNameUtf16(db, index, name.data());
  const uint32_t folder = db->FileToFolder[index];
  LOG(ERROR) << "Cannot extract "
             << std::wstring(name.begin(), name.empty() ? name.end() : name.end() - 1) << ": "
             << SzResultText::OfDecode(result, folder != 0xFFFFFFFF
                                                   ? FolderStream::Methods(db, folder)
                                                   : std::vector<uint64_t>());
  return LzmaUtil::kDecodeFailed;
}

// static
void EntrySource::ReleasePieceOf(void* owner, const uint8_t* data) {
  static_cast<EntrySource*>(owner)->ReleasePiece(data);
}
