#include "desktop/windows/installer/lzma_util/dispatching_source.h"

#include "base/logging.h"
#include "desktop/windows/installer/lzma_util/folder_stream.h"
#include "desktop/windows/installer/lzma_util/in_memory_source.h"
#include "desktop/windows/installer/lzma_util/streaming_source.h"
#include "desktop/windows/installer/lzma_util/whole_block_source.h"

namespace {

constexpr uint32_t kNoFolder = 0xFFFFFFFF;

}  // namespace

DispatchingSource::DispatchingSource(const CSzArEx* db,
                                     const std::vector<bool>* selected,
                                     const ArchiveView* view,
                                     ILookInStreamPtr stream,
                                     const base::FilePath& temp_folder,
                                     LzmaUtil::DecodedBlockHook hook,
                                     uint32_t* last_error_code,
                                     LzmaUtil::DecoderForTesting decoder)
    : db_(db),
      selected_(selected),
      view_(view),
      stream_(stream),
      temp_folder_(temp_folder),
      hook_(hook),
      last_error_code_(last_error_code),
      decoder_(decoder),
      folder_(kNoFolder) {}

DispatchingSource::~DispatchingSource() = default;

LzmaUtil::ExtractResult DispatchingSource::Prepare(uint32_t index) {
  const uint32_t folder = db_->FileToFolder[index];
  if (folder == kNoFolder)
    return LzmaUtil::kOk;
  if (folder != folder_) {
    current_ = SourceFor(folder);
    folder_ = folder;
  }
  return current_->Prepare(index);
}

LzmaUtil::ExtractResult DispatchingSource::NextPiece(Piece* piece) {
  return current_->NextPiece(piece);
}

void DispatchingSource::ReleasePiece(const uint8_t* /*data*/) {
  NOTREACHED();
}

EntrySource* DispatchingSource::SourceFor(uint32_t folder) {
  using Decoder = LzmaUtil::DecoderForTesting;
  const uint64_t size = SzAr_GetFolderUnpackSize(&db_->db, folder);
  const bool in_memory = decoder_ == Decoder::kInMemory
                             ? size <= InMemorySource::kMaxBytes
                             : decoder_ == Decoder::kAny && size <= InMemorySource::kMaxBlockSize;
  if (in_memory) {
    if (!in_memory_)
      in_memory_ = std::make_unique<InMemorySource>(db_, view_, hook_, last_error_code_);
    last_decoder_ = Decoder::kInMemory;
    return in_memory_.get();
  }
  if (decoder_ != Decoder::kWholeBlock && FolderStream::IsSupported(db_, folder)) {
    if (!streaming_) {
      streaming_ = std::make_unique<StreamingSource>(db_, selected_, view_, temp_folder_, hook_,
                                                     last_error_code_);
    }
    last_decoder_ = Decoder::kStreaming;
    return streaming_.get();
  }
  if (!whole_block_) {
    whole_block_ =
        std::make_unique<WholeBlockSource>(db_, stream_, temp_folder_, hook_, last_error_code_);
  }
  last_decoder_ = Decoder::kWholeBlock;
  return whole_block_.get();
}
