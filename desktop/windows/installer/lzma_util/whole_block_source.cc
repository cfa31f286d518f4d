#include "desktop/windows/installer/lzma_util/whole_block_source.h"

#include <algorithm>

#include "7zAlloc.h"
#include "base/logging.h"
#include "desktop/windows/installer/lzma_util/entry_writer.h"
#include "desktop/windows/installer/lzma_util/in_page_error_guard.h"

namespace {

const ISzAlloc kHeapTempAlloc = {SzAllocTemp, SzFreeTemp};
constexpr UInt32 kNoFolder = 0xFFFFFFFF;

// Plain data for the guarded call, which a fault may abandon.
struct DecodeCall {
  WholeBlockSource* source;
  UInt32 index;
  SRes result;
};

}  // namespace

WholeBlockSource::WholeBlockSource(const CSzArEx* db,
                                   ILookInStreamPtr stream,
                                   const base::FilePath& temp_folder,
                                   LzmaUtil::DecodedBlockHook hook,
                                   uint32_t* last_error_code)
    : db_(db),
      stream_(stream),
      alloc_(temp_folder),
      hook_(hook),
      last_error_code_(last_error_code) {}

WholeBlockSource::~WholeBlockSource() {
  lent_.WaitForAll();
  alloc_.Free(buffer_);
}

LzmaUtil::ExtractResult WholeBlockSource::Prepare(uint32_t index) {
  const UInt32 folder = db_->FileToFolder[index];
  // The SDK gives up its buffer for an entry without data too: nothing to
  // decode, and the block's pieces may still be being written.
  if (folder == kNoFolder)
    return LzmaUtil::kOk;
  if (folder != block_index_)
    lent_.WaitForAll();
  DecodeCall call = {this, index, SZ_OK};
  InPageErrorGuard guard(&InBuffer, &alloc_);
  if (!guard.Run(&Decode, &call))
    return InPageError(guard.fault_status(), last_error_code_);
  // Encrypted entries or a coder this decoder lacks refuse the archive as
  // a whole, and the log says why.
  if (call.result != SZ_OK)
    return DecodeFailure(db_, index, call.result);
  return LzmaUtil::kOk;
}

LzmaUtil::ExtractResult WholeBlockSource::NextPiece(Piece* piece) {
  piece->size = std::min(size_, EntryWriter::kMaxWriteSize);
  piece->data = buffer_ + offset_;
  piece->owner = this;
  offset_ += piece->size;
  size_ -= piece->size;
  piece->last = size_ == 0;
  lent_.Lend();
  return LzmaUtil::kOk;
}

void WholeBlockSource::ReleasePiece(const uint8_t* /*data*/) {
  lent_.GiveBack();
}

// static
void WholeBlockSource::Decode(void* argument) {
  DecodeCall* call = static_cast<DecodeCall*>(argument);
  WholeBlockSource* s = call->source;
  call->result =
      SzArEx_Extract(s->db_, s->stream_, call->index, &s->block_index_, &s->buffer_,
                     &s->buffer_size_, &s->offset_, &s->size_, s->alloc_.get(), &kHeapTempAlloc);
  if (call->result == SZ_OK && s->hook_ && s->buffer_)
    s->hook_(s->buffer_, s->buffer_size_);
}

// static
bool WholeBlockSource::InBuffer(const void* context, const void* address) {
  return static_cast<const FileBackedSzAlloc*>(context)->Contains(address);
}
