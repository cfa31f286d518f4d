#include "desktop/windows/installer/lzma_util/in_memory_source.h"

#include <algorithm>

#include "7zAlloc.h"
#include "7zCrc.h"
#include "base/logging.h"
#include "desktop/windows/installer/lzma_util/archive_view.h"
#include "desktop/windows/installer/lzma_util/block_memory.h"
#include "desktop/windows/installer/lzma_util/entry_writer.h"
#include "desktop/windows/installer/lzma_util/in_page_error_guard.h"

namespace {

const ISzAlloc kHeapAlloc = {SzAlloc, SzFree};
constexpr uint32_t kNoFolder = 0xFFFFFFFF;
// Buffers grow in steps of this, so that most small blocks fit one made for
// an earlier block.
constexpr size_t kBufferStep = 64 << 10;

// Plain data for the guarded call, which a fault may abandon. The SDK's
// allocations of an abandoned call stay behind: only a failed disk read
// under the mapped archive does that.
struct DecodeCall {
  const CSzArEx* db;
  ILookInStreamPtr stream;
  uint32_t folder;
  uint8_t* buffer;
  size_t size;
  LzmaUtil::DecodedBlockHook hook;
  SRes result;
};

}  // namespace

InMemorySource::InMemorySource(const CSzArEx* db,
                               const ArchiveView* view,
                               LzmaUtil::DecodedBlockHook hook,
                               uint32_t* last_error_code)
    : db_(db),
      view_(view),
      stream_(view->data(), view->size()),
      hook_(hook),
      last_error_code_(last_error_code),
      folder_(kNoFolder) {}

InMemorySource::~InMemorySource() {
  base::AutoLock hold(lock_);
  for (auto& buffer : buffers_) {
    while (buffer->lent > 0)
      returned_.Wait();
    BlockMemory::Free(buffer->data, buffer->capacity);
  }
}

LzmaUtil::ExtractResult InMemorySource::Prepare(uint32_t index) {
  const uint32_t folder = db_->FileToFolder[index];
  if (folder == kNoFolder)
    return LzmaUtil::kOk;
  if (folder != folder_ || !current_) {
    const LzmaUtil::ExtractResult result = DecodeBlock(index, folder);
    if (result != LzmaUtil::kOk)
      return result;
  }
  const UInt64 start = db_->UnpackPositions[db_->FolderToFile[folder]];
  const UInt64 offset = db_->UnpackPositions[index] - start;
  const UInt64 size = db_->UnpackPositions[index + 1] - db_->UnpackPositions[index];
  if (offset > block_size_ || size > block_size_ - offset)
    return DecodeFailure(db_, index, SZ_ERROR_FAIL);
  offset_ = static_cast<size_t>(offset);
  left_ = static_cast<size_t>(size);
  // Checked whole before the file is made.
  if (SzBitWithVals_Check(&db_->CRCs, index) &&
      CrcCalc(current_->data + offset_, left_) != db_->CRCs.Vals[index]) {
    return DecodeFailure(db_, index, SZ_ERROR_CRC);
  }
  return LzmaUtil::kOk;
}

LzmaUtil::ExtractResult InMemorySource::NextPiece(Piece* piece) {
  piece->size = std::min(left_, EntryWriter::kMaxWriteSize);
  // A piece without bytes points at its buffer's start, which names it.
  piece->data = current_->data + (piece->size > 0 ? offset_ : 0);
  piece->owner = this;
  offset_ += piece->size;
  left_ -= piece->size;
  piece->last = left_ == 0;
  base::AutoLock hold(lock_);
  ++current_->lent;
  return LzmaUtil::kOk;
}

void InMemorySource::ReleasePiece(const uint8_t* data) {
  base::AutoLock hold(lock_);
  for (auto& buffer : buffers_) {
    if (data >= buffer->data && data < buffer->data + buffer->capacity) {
      DCHECK_GT(buffer->lent, 0u);
      if (--buffer->lent == 0)
        returned_.Broadcast();
      return;
    }
  }
  NOTREACHED() << "A piece given back that was not lent";
}

LzmaUtil::ExtractResult InMemorySource::DecodeBlock(uint32_t index, uint32_t folder) {
  const UInt64 size = SzAr_GetFolderUnpackSize(&db_->db, folder);
  current_ = nullptr;
  folder_ = folder;
  if (size > kMaxBytes)
    return DecodeFailure(db_, index, SZ_ERROR_MEM);
  Buffer* buffer = TakeBuffer(static_cast<size_t>(size));
  if (!buffer)
    return DecodeFailure(db_, index, SZ_ERROR_MEM);
  DecodeCall call = {db_,        &stream_.vt, folder, buffer->data, static_cast<size_t>(size),
                     hook_,      SZ_OK};
  decoding_ = buffer;
  InPageErrorGuard guard(&InSourceMemory, this);
  const bool finished = guard.Run(&Decode, &call);
  decoding_ = nullptr;
  if (!finished)
    return InPageError(guard.fault_status(), last_error_code_);
  if (call.result == SZ_OK && SzBitWithVals_Check(&db_->db.FolderCRCs, folder) &&
      CrcCalc(buffer->data, call.size) != db_->db.FolderCRCs.Vals[folder]) {
    call.result = SZ_ERROR_CRC;
  }
  if (call.result != SZ_OK)
    return DecodeFailure(db_, index, call.result);
  current_ = buffer;
  block_size_ = call.size;
  return LzmaUtil::kOk;
}

InMemorySource::Buffer* InMemorySource::TakeBuffer(size_t size) {
  const size_t capacity = std::max<size_t>(kBufferStep, (size + kBufferStep - 1) / kBufferStep *
                                                            kBufferStep);
  base::AutoLock hold(lock_);
  for (;;) {
    Buffer* fit = nullptr;
    for (auto& buffer : buffers_) {
      if (buffer->lent == 0 && buffer->capacity >= size &&
          (!fit || buffer->capacity < fit->capacity)) {
        fit = buffer.get();
      }
    }
    if (fit)
      return fit;
    // Room for a larger buffer: the idle ones too small go.
    for (auto it = buffers_.begin(); it != buffers_.end();) {
      if ((*it)->lent == 0) {
        total_ -= (*it)->capacity;
        BlockMemory::Free((*it)->data, (*it)->capacity);
        it = buffers_.erase(it);
      } else {
        ++it;
      }
    }
    if (total_ + capacity <= kMaxBytes && buffers_.size() < kMaxBuffers) {
      auto buffer = std::make_unique<Buffer>();
      buffer->data = static_cast<uint8_t*>(BlockMemory::Allocate(capacity));
      if (!buffer->data) {
        LOG(ERROR) << "No memory for a block of " << size << " bytes";
        return nullptr;
      }
      buffer->capacity = capacity;
      total_ += capacity;
      buffers_.push_back(std::move(buffer));
      return buffers_.back().get();
    }
    // The writers give pieces back whatever happens to their files.
    returned_.Wait();
  }
}

// static
void InMemorySource::Decode(void* argument) {
  DecodeCall* call = static_cast<DecodeCall*>(argument);
  call->result = SzAr_DecodeFolder(&call->db->db, call->folder, call->stream, call->db->dataPos,
                                   call->buffer, call->size, &kHeapAlloc);
  if (call->result == SZ_OK && call->hook && call->size > 0)
    call->hook(call->buffer, call->size);
}

// static
bool InMemorySource::InSourceMemory(const void* context, const void* address) {
  const InMemorySource* self = static_cast<const InMemorySource*>(context);
  const uint8_t* p = static_cast<const uint8_t*>(address);
  const uint8_t* view = self->view_->data();
  if (p >= view && p < view + self->view_->size())
    return true;
  const Buffer* buffer = self->decoding_;
  return buffer && p >= buffer->data && p < buffer->data + buffer->capacity;
}
