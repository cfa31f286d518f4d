#include "desktop/windows/installer/lzma_util/streaming_source.h"

#include <windows.h>

#include <algorithm>

#include "base/logging.h"
#include "desktop/windows/installer/lzma_util/archive_view.h"

namespace {

constexpr uint32_t kNoFolder = 0xFFFFFFFF;

size_t DecoderThreads() {
  SYSTEM_INFO info;
  ::GetSystemInfo(&info);
  return std::max<size_t>(1, info.dwNumberOfProcessors);
}

}  // namespace

StreamingSource::StreamingSource(const CSzArEx* db,
                                 const std::vector<bool>* selected,
                                 const ArchiveView* view,
                                 const base::FilePath& temp_folder,
                                 LzmaUtil::DecodedBlockHook hook,
                                 uint32_t* last_error_code)
    : db_(db),
      selected_(selected),
      view_(view),
      hook_(hook),
      last_error_code_(last_error_code),
      resources_(temp_folder),
      folder_(kNoFolder) {}

StreamingSource::~StreamingSource() = default;

LzmaUtil::ExtractResult StreamingSource::Prepare(uint32_t index) {
  index_ = index;
  const uint32_t folder = db_->FileToFolder[index];
  if (folder == kNoFolder || (pipeline_ && folder == folder_))
    return LzmaUtil::kOk;
  // Entries come in block order: the previous block is done with once its
  // pieces are written.
  if (pipeline_)
    pipeline_->WaitForReleases();
  pipeline_.reset();
  folder_ = folder;
  pipeline_ = std::make_unique<FolderPipeline>(db_, folder, view_->data(), view_->size(),
                                               EntriesOf(folder));
  uint32_t fault_status = 0;
  const FolderPipeline::Status status =
      pipeline_->Start(&resources_, DecoderThreads(), hook_, &fault_status);
  return Convert(status, fault_status);
}

LzmaUtil::ExtractResult StreamingSource::NextPiece(Piece* piece) {
  FolderPipeline::Piece ready;
  uint32_t fault_status = 0;
  const FolderPipeline::Status status = pipeline_->NextPiece(&ready, &fault_status);
  if (status != FolderPipeline::Status::kOk)
    return Convert(status, fault_status);
  piece->data = ready.data;
  piece->size = ready.size;
  piece->last = ready.last;
  piece->owner = this;
  return LzmaUtil::kOk;
}

void StreamingSource::ReleasePiece(const uint8_t* data) {
  pipeline_->Release(data);
}

std::vector<FolderPipeline::Entry> StreamingSource::EntriesOf(uint32_t folder) const {
  std::vector<FolderPipeline::Entry> entries;
  const UInt32 first = db_->FolderToFile[folder];
  const UInt64 start = db_->UnpackPositions[first];
  for (UInt32 i = first; i < db_->NumFiles && i < db_->FolderToFile[folder + 1]; ++i) {
    // An entry without bytes may still sit among a block's entries: a
    // file among them gets its (empty) last piece, a folder none, as
    // WriteEntry reads them.
    if (!(*selected_)[i] || db_->FileToFolder[i] != folder || SzArEx_IsDir(db_, i))
      continue;
    FolderPipeline::Entry entry;
    entry.offset = db_->UnpackPositions[i] - start;
    entry.size = db_->UnpackPositions[i + 1] - db_->UnpackPositions[i];
    entry.has_crc = SzBitWithVals_Check(&db_->CRCs, i);
    entry.crc = entry.has_crc ? db_->CRCs.Vals[i] : 0;
    entries.push_back(entry);
  }
  return entries;
}

LzmaUtil::ExtractResult StreamingSource::Convert(FolderPipeline::Status status,
                                                 uint32_t fault_status) {
  switch (status) {
    case FolderPipeline::Status::kOk:
      return LzmaUtil::kOk;
    case FolderPipeline::Status::kInPageError:
      return InPageError(fault_status, last_error_code_);
    case FolderPipeline::Status::kCrcError:
      return DecodeFailure(db_, index_, SZ_ERROR_CRC);
    case FolderPipeline::Status::kDataError:
    case FolderPipeline::Status::kCancelled:
      break;
  }
  return DecodeFailure(db_, index_, SZ_ERROR_DATA);
}
