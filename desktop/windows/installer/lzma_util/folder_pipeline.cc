#include "desktop/windows/installer/lzma_util/folder_pipeline.h"

#include <algorithm>
#include <utility>

#include "7zCrc.h"
#include "base/logging.h"
#include "desktop/windows/installer/lzma_util/stream_resources.h"
#include "desktop/windows/installer/lzma_util/in_page_error_guard.h"

namespace {

// One read of the folder stream, run under the in-page guard: plain data
// only, as a caught fault abandons the stack without unwinding it.
struct ReadCall {
  FolderStream* stream;
  uint8_t* dest;
  size_t size;
  size_t read;
  FolderStream::Status status;
  uint32_t fault_status;
};

void DoRead(void* argument) {
  ReadCall* call = static_cast<ReadCall*>(argument);
  call->status = call->stream->Read(call->dest, call->size, &call->read, &call->fault_status);
}

bool InFolderMemory(const void* context, const void* address) {
  return static_cast<const FolderStream*>(context)->Contains(address);
}

}  // namespace

FolderPipeline::FolderPipeline(const CSzArEx* db,
                               uint32_t folder_index,
                               const uint8_t* archive,
                               size_t archive_size,
                               std::vector<Entry> entries)
    : stream_(db, folder_index, archive, archive_size),
      entries_(std::move(entries)),
      check_folder_crc_(SzBitWithVals_Check(&db->db.FolderCRCs, folder_index)),
      folder_crc_(check_folder_crc_ ? db->db.FolderCRCs.Vals[folder_index] : 0),
      running_folder_crc_(CRC_INIT_VAL) {}

FolderPipeline::~FolderPipeline() {
  Cancel();
  // Our own thread, which stops at its next wait or read.
  if (started_)
    resources_->threads()->Join(&thread_);
  lent_.WaitForAll();
}

FolderPipeline::Status FolderPipeline::Start(StreamResources* resources,
                                             size_t max_threads,
                                             ParallelBlockDecoder::DecodedBlockHook hook,
                                             uint32_t* fault_status) {
  DCHECK(!started_);
  resources_ = resources;
  const Status status = stream_.Start(resources, max_threads, hook, fault_status);
  if (status != Status::kOk)
    return status;
  // The pieces, then one more for what is skipped.
  buffers_ = resources->PieceMemory(kPieceSize * (kPieceCount + 1));
  if (!buffers_) {
    LOG(ERROR) << "No memory for the extraction's buffers";
    return Status::kDataError;
  }
  scratch_ = buffers_ + kPieceSize * kPieceCount;
  for (size_t i = 0; i < kPieceCount; ++i)
    free_buffers_.push_back(kPieceCount - 1 - i);
  started_ = resources->threads()->Start(&thread_, &ThreadMain, this);
  if (!started_) {
    LOG(ERROR) << "Cannot start the extraction thread";
    return Status::kDataError;
  }
  return Status::kOk;
}

FolderPipeline::Status FolderPipeline::NextPiece(Piece* piece, uint32_t* fault_status) {
  base::AutoLock hold(lock_);
  for (;;) {
    if (!ready_.empty()) {
      const Ready ready = ready_.front();
      ready_.pop_front();
      piece->data = buffers_ + ready.offset;
      piece->size = ready.size;
      piece->last = ready.last;
      lent_.Lend();
      base::AutoUnlock unlocked(lock_);
      const Status status = CheckCrc(ready.entry, *piece);
      // Only a good piece is lent.
      if (status != Status::kOk)
        Release(piece->data);
      return status;
    }
    if (failure_ != Status::kOk) {
      *fault_status = failure_fault_status_;
      return failure_;
    }
    if (cancelled_)
      return Status::kCancelled;
    changed_.Wait();
  }
}

void FolderPipeline::Release(const uint8_t* data) {
  const size_t buffer = static_cast<size_t>(data - buffers_) / kPieceSize;
  DCHECK_LT(buffer, kPieceCount);
  base::AutoLock hold(lock_);
  DCHECK_GT(pieces_in_[buffer], 0u);
  if (--pieces_in_[buffer] == 0 && static_cast<int>(buffer) != filling_) {
    free_buffers_.push_back(buffer);
    changed_.Broadcast();
  }
  lent_.GiveBack();
}

void FolderPipeline::Cancel() {
  {
    base::AutoLock hold(lock_);
    cancelled_ = true;
    changed_.Broadcast();
  }
  stream_.Cancel();
}

// static
void FolderPipeline::ThreadMain(void* self) {
  static_cast<FolderPipeline*>(self)->Run();
}

void FolderPipeline::Run() {
  const uint64_t folder_size = stream_.size();
  for (size_t i = 0; i < entries_.size(); ++i) {
    const Entry& entry = entries_[i];
    const bool last_entry = i + 1 == entries_.size();
    const bool ends_folder =
        last_entry && (check_folder_crc_ || entry.offset + entry.size == folder_size);
    const Status status = ReadEntry(i, ends_folder);
    if (status != Status::kOk) {
      Fail(status);
      return;
    }
  }
}

FolderPipeline::Status FolderPipeline::ReadEntry(size_t entry_index, bool ends_folder) {
  const Entry& entry = entries_[entry_index];
  while (position_ < entry.offset) {
    const size_t skip =
        static_cast<size_t>(std::min<uint64_t>(kPieceSize, entry.offset - position_));
    const Status status = ReadExactly(scratch_, skip);
    if (status != Status::kOk)
      return status;
  }
  uint64_t left = entry.size;
  for (;;) {
    const size_t size = static_cast<size_t>(std::min<uint64_t>(kPieceSize, left));
    uint8_t* data = PlacePiece(size);
    if (!data)
      return Status::kCancelled;
    Status status = ReadExactly(data, size);
    if (status != Status::kOk)
      return status;
    left -= size;
    const bool last = left == 0;
    if (last && ends_folder) {
      // Whatever follows the entry up to the folder's end, then the streams'
      // own ends: a damaged tail fails before the last piece is written.
      while (position_ < stream_.size()) {
        const size_t skip =
            static_cast<size_t>(std::min<uint64_t>(kPieceSize, stream_.size() - position_));
        status = ReadExactly(scratch_, skip);
        if (status != Status::kOk)
          return status;
      }
      uint32_t fault_status = 0;
      status = stream_.Finish(&fault_status);
      if (status != Status::kOk) {
        fault_status_ = fault_status;
        return status;
      }
      if (check_folder_crc_ && CRC_GET_DIGEST(running_folder_crc_) != folder_crc_) {
        LOG(ERROR) << "CRC error in a solid block";
        return Status::kCrcError;
      }
    }
    base::AutoLock hold(lock_);
    ready_.push_back({static_cast<size_t>(data - buffers_), size, last, entry_index});
    changed_.Broadcast();
    if (last)
      return Status::kOk;
  }
}

FolderPipeline::Status FolderPipeline::ReadExactly(uint8_t* dest, size_t size) {
  ReadCall call = {&stream_, dest, size, 0, Status::kOk, 0};
  InPageErrorGuard guard(&InFolderMemory, &stream_);
  if (!guard.Run(&DoRead, &call)) {
    fault_status_ = guard.fault_status();
    return Status::kInPageError;
  }
  if (call.status != Status::kOk) {
    fault_status_ = call.fault_status;
    return call.status;
  }
  if (call.read != size) {
    LOG(ERROR) << "The solid block ends early";
    return Status::kDataError;
  }
  if (check_folder_crc_)
    running_folder_crc_ = CrcUpdate(running_folder_crc_, dest, size);
  position_ += size;
  return Status::kOk;
}

uint8_t* FolderPipeline::PlacePiece(size_t size) {
  base::AutoLock hold(lock_);
  if (filling_ < 0 || filled_ == kPieceSize || size > kPieceSize - filled_) {
    // The buffer filled so far is free once its pieces are back.
    if (filling_ >= 0 && pieces_in_[filling_] == 0)
      free_buffers_.push_back(filling_);
    filling_ = -1;
    while (!cancelled_ && free_buffers_.empty())
      changed_.Wait();
    if (cancelled_)
      return nullptr;
    filling_ = static_cast<int>(free_buffers_.back());
    free_buffers_.pop_back();
    filled_ = 0;
  }
  uint8_t* data = buffers_ + filling_ * kPieceSize + filled_;
  filled_ += size;
  ++pieces_in_[filling_];
  return data;
}

FolderPipeline::Status FolderPipeline::CheckCrc(size_t entry_index, const Piece& piece) {
  crc_ = CrcUpdate(crc_, piece.data, piece.size);
  if (!piece.last)
    return Status::kOk;
  const Entry& entry = entries_[entry_index];
  const uint32_t crc = CRC_GET_DIGEST(crc_);
  crc_ = CRC_INIT_VAL;
  if (entry.has_crc && crc != entry.crc)
    return Status::kCrcError;
  return Status::kOk;
}

void FolderPipeline::Fail(Status status) {
  base::AutoLock hold(lock_);
  if (failure_ == Status::kOk) {
    failure_ = status;
    failure_fault_status_ = fault_status_;
  }
  changed_.Broadcast();
}
