#include "desktop/windows/installer/lzma_util/parallel_block_decoder.h"

#include <algorithm>
#include <limits>

#include "7zAlloc.h"
#include "Lzma2Dec.h"
#include "LzmaDec.h"
#include "base/logging.h"
#include "desktop/windows/installer/lzma_util/file_backed_sz_alloc.h"
#include "desktop/windows/installer/lzma_util/in_page_error_guard.h"
#include "desktop/windows/installer/lzma_util/stream_resources.h"

namespace {

const ISzAlloc kHeapAlloc = {SzAlloc, SzFree};

// Decoded bytes mapped at once, over all blocks in flight: more threads
// than this allows would only add address space and temporary file.
constexpr uint64_t kMaxMappedBytes = uint64_t{1} << 30;
constexpr size_t kSpareBuffers = 2;

// One step of one block, run under the in-page guard: plain data only, as a
// caught fault abandons the stack without unwinding it.
struct Step {
  bool lzma2;
  CLzma2Dec* lzma2_decoder;
  CLzmaDec* lzma_decoder;
  const uint8_t* src;
  size_t src_left;
  size_t size;
  bool last_block;
  // Out.
  size_t pos;
  bool finished;
  bool failed;
};

void DecodeStep(void* argument) {
  Step* step = static_cast<Step*>(argument);
  const size_t before = step->pos;
  const size_t limit = std::min(before + ParallelBlockDecoder::kStepSize, step->size);
  const ELzmaFinishMode finish = limit == step->size ? LZMA_FINISH_END : LZMA_FINISH_ANY;
  SizeT consumed = step->src_left;
  ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
  SRes result;
  if (step->lzma2) {
    result =
        Lzma2Dec_DecodeToDic(step->lzma2_decoder, limit, step->src, &consumed, finish, &status);
    step->pos = step->lzma2_decoder->decoder.dicPos;
  } else {
    result = LzmaDec_DecodeToDic(step->lzma_decoder, limit, step->src, &consumed, finish, &status);
    step->pos = step->lzma_decoder->dicPos;
  }
  step->src += consumed;
  step->src_left -= consumed;
  if (result != SZ_OK) {
    step->failed = true;
    return;
  }
  if (step->pos == step->size) {
    // A block of an LZMA2 stream ends where the next one starts; the last
    // one, and an LZMA stream, at their end mark (LZMA may omit it).
    const bool ended = !step->last_block || status == LZMA_STATUS_FINISHED_WITH_MARK ||
                       (!step->lzma2 && status == LZMA_STATUS_MAYBE_FINISHED_WITHOUT_MARK);
    if (ended) {
      step->finished = true;
      step->failed = step->src_left != 0;
      return;
    }
  }
  if (status == LZMA_STATUS_FINISHED_WITH_MARK || (consumed == 0 && step->pos == before))
    step->failed = true;
}

struct HookCall {
  ParallelBlockDecoder::DecodedBlockHook hook;
  uint8_t* block;
  size_t size;
};

void RunHook(void* argument) {
  HookCall* call = static_cast<HookCall*>(argument);
  call->hook(call->block, call->size);
}

// The scan of the chunk headers, which reads the mapped archive, under the
// in-page guard: nothing in it needs unwinding.
struct ScanCall {
  const ParallelBlockDecoder::Input* input;
  std::vector<Lzma2Block>* blocks;
  bool found;
};

void Scan(void* argument) {
  ScanCall* call = static_cast<ScanCall*>(argument);
  call->found = FindLzma2Blocks(call->input->packed, call->input->packed_size,
                                ParallelBlockDecoder::kMinBlockSize, call->blocks);
}

bool InDecoderMemory(const void* context, const void* address) {
  return static_cast<const ParallelBlockDecoder*>(context)->Contains(address);
}

}  // namespace

struct ParallelBlockDecoder::Slot {
  std::unique_ptr<FileBackedSzAlloc> alloc;
  uint8_t* buffer = nullptr;
};

// A worker's decoder; its probabilities are allocated once for every block.
struct ParallelBlockDecoder::Worker {
  CLzma2Dec lzma2;
  CLzmaDec lzma;
  bool allocated = false;
};

ParallelBlockDecoder::ParallelBlockDecoder(const Input& input) : input_(input) {}

ParallelBlockDecoder::~ParallelBlockDecoder() {
  Cancel();
  // Our own workers, each at most one step from seeing the cancellation.
  for (size_t i = 0; i < workers_started_; ++i)
    resources_->threads()->Join(&workers_[i]);
  for (auto& slot : slots_) {
    if (keep_buffer_ && slot->alloc && slot->alloc->Contains(slot->buffer))
      resources_->KeepBufferFile(std::move(slot->alloc));
    else
      ReleaseSlot(slot.get());
  }
}

ParallelBlockDecoder::Status ParallelBlockDecoder::Start(StreamResources* resources,
                                                         size_t max_threads,
                                                         DecodedBlockHook hook,
                                                         uint32_t* fault_status) {
  DCHECK(!workers_);
  resources_ = resources;
  hook_ = hook;
  if (input_.method == Method::kLzma2) {
    ScanCall scan = {&input_, &blocks_, false};
    InPageErrorGuard guard(&InDecoderMemory, this);
    if (!guard.Run(&Scan, &scan)) {
      *fault_status = guard.fault_status();
      return Status::kInPageError;
    }
    if (input_.properties_size != 1 || !scan.found) {
      LOG(ERROR) << "The LZMA2 stream's chunk headers are damaged";
      return Status::kDataError;
    }
  } else {
    Lzma2Block whole;
    whole.packed_size = input_.packed_size;
    whole.unpacked_size = input_.unpacked_size;
    blocks_.push_back(whole);
  }
  uint64_t total = 0;
  uint64_t largest = 1;
  for (const Lzma2Block& block : blocks_) {
    total += block.unpacked_size;
    largest = std::max(largest, block.unpacked_size);
  }
  if (total != input_.unpacked_size || largest > std::numeric_limits<size_t>::max()) {
    LOG(ERROR) << "The stream holds " << total << " bytes where the archive says "
               << input_.unpacked_size;
    return Status::kDataError;
  }

  // A few buffers more than threads, so that workers go on decoding while
  // the reader is still busy with the blocks before.
  const size_t threads = std::min<size_t>(std::max<size_t>(max_threads, 1), blocks_.size());
  size_t count = std::min<size_t>(threads + kSpareBuffers, blocks_.size());
  count = std::min<uint64_t>(count, std::max<uint64_t>(1, kMaxMappedBytes / largest));
  keep_buffer_ = blocks_.size() == 1;
  for (size_t i = 0; i < count; ++i) {
    auto slot = std::make_unique<Slot>();
    slot->alloc = resources->TakeBufferFile();
    slot->buffer = static_cast<uint8_t*>(slot->alloc->MapAtLeast(static_cast<size_t>(largest)));
    if (!slot->buffer)
      slot->buffer = static_cast<uint8_t*>(slot->alloc->Alloc(static_cast<size_t>(largest)));
    if (!slot->buffer) {
      LOG(ERROR) << "No buffer of " << largest << " bytes for the decoder";
      return Status::kDataError;
    }
    slots_.push_back(std::move(slot));
  }
  states_.resize(blocks_.size());
  for (int i = static_cast<int>(count) - 1; i >= 0; --i)
    free_slots_.push_back(i);
  workers_ = std::make_unique<WorkerThreads::Job[]>(std::min(threads, count));
  for (size_t i = 0; i < std::min(threads, count); ++i) {
    if (!resources->threads()->Start(&workers_[i], &ThreadMain, this)) {
      LOG(WARNING) << "Decoding with " << i << " threads instead of " << threads;
      break;
    }
    ++workers_started_;
  }
  return workers_started_ == 0 ? Status::kDataError : Status::kOk;
}

ParallelBlockDecoder::Status ParallelBlockDecoder::Next(size_t max_size,
                                                        const uint8_t** data,
                                                        size_t* size,
                                                        uint32_t* fault_status) {
  *size = 0;
  base::AutoLock hold(lock_);
  for (;;) {
    if (read_block_ == blocks_.size())
      return Status::kOk;
    BlockState& state = states_[read_block_];
    if (state.status != Status::kOk) {
      *fault_status = state.fault_status;
      return state.status;
    }
    if (state.done && read_offset_ == blocks_[read_block_].unpacked_size) {
      ReturnSlot(state.slot);
      state.slot = -1;
      ++read_block_;
      read_offset_ = 0;
      continue;
    }
    if (state.slot >= 0 && state.decoded > read_offset_) {
      *data = slots_[state.slot]->buffer + read_offset_;
      *size = static_cast<size_t>(std::min<uint64_t>(max_size, state.decoded - read_offset_));
      read_offset_ += *size;
      return Status::kOk;
    }
    if (cancelled_)
      return Status::kCancelled;
    decoded_.Wait();
  }
}

void ParallelBlockDecoder::Cancel() {
  base::AutoLock hold(lock_);
  cancelled_ = true;
  decoded_.Broadcast();
  slot_freed_.Broadcast();
}

bool ParallelBlockDecoder::Contains(const void* address) const {
  const uint8_t* p = static_cast<const uint8_t*>(address);
  if (p >= input_.packed && p < input_.packed + input_.packed_size)
    return true;
  ::AcquireSRWLockShared(&buffers_lock_);
  bool found = false;
  for (const auto& slot : slots_)
    found = found || (slot->alloc && slot->alloc->Contains(address));
  ::ReleaseSRWLockShared(&buffers_lock_);
  return found;
}

void ParallelBlockDecoder::ReturnSlot(int slot) {
  if (next_to_decode_ == blocks_.size() && !keep_buffer_) {
    retired_slots_.push_back(slot);
    // The idle workers wait on slot_freed_ for retired slots too.
    slot_freed_.Broadcast();
    return;
  }
  free_slots_.push_back(slot);
  slot_freed_.Signal();
}

void ParallelBlockDecoder::ReleaseSlot(Slot* slot) {
  std::unique_ptr<FileBackedSzAlloc> alloc;
  ::AcquireSRWLockExclusive(&buffers_lock_);
  if (slot->alloc) {
    slot->alloc->Free(slot->buffer);
    alloc = std::move(slot->alloc);
  }
  slot->buffer = nullptr;
  ::ReleaseSRWLockExclusive(&buffers_lock_);
  // Closing the delete-on-close file drops its pages: the costly part, done
  // outside the lock.
  alloc.reset();
}

void ParallelBlockDecoder::ReleaseRetiredSlots() {
  for (;;) {
    int slot;
    {
      base::AutoLock hold(lock_);
      while (!cancelled_ && retired_slots_.empty() && released_slots_ < slots_.size())
        slot_freed_.Wait();
      if (cancelled_ || retired_slots_.empty())
        return;
      slot = retired_slots_.back();
      retired_slots_.pop_back();
      ++released_slots_;
    }
    ReleaseSlot(slots_[slot].get());
  }
}

// static
void ParallelBlockDecoder::ThreadMain(void* self) {
  static_cast<ParallelBlockDecoder*>(self)->Work();
}

void ParallelBlockDecoder::Work() {
  Worker worker;
  Lzma2Dec_CONSTRUCT(&worker.lzma2);
  LzmaDec_CONSTRUCT(&worker.lzma);
  for (;;) {
    size_t index;
    Slot* slot;
    {
      base::AutoLock hold(lock_);
      while (!cancelled_ && next_to_decode_ < blocks_.size() && free_slots_.empty())
        slot_freed_.Wait();
      if (cancelled_ || next_to_decode_ == blocks_.size())
        break;
      index = next_to_decode_++;
      states_[index].slot = free_slots_.back();
      free_slots_.pop_back();
      slot = slots_[states_[index].slot].get();
      if (next_to_decode_ == blocks_.size() && !keep_buffer_) {
        // No block is left for the slots still free.
        retired_slots_.insert(retired_slots_.end(), free_slots_.begin(), free_slots_.end());
        free_slots_.clear();
        slot_freed_.Broadcast();
      }
    }
    DecodeBlock(index, slot, &worker);
  }
  Lzma2Dec_FreeProbs(&worker.lzma2, &kHeapAlloc);
  LzmaDec_FreeProbs(&worker.lzma, &kHeapAlloc);
  if (!keep_buffer_)
    ReleaseRetiredSlots();
}

void ParallelBlockDecoder::DecodeBlock(size_t index, Slot* slot, Worker* worker) {
  uint8_t* const buffer = slot->buffer;
  const bool lzma2 = input_.method == Method::kLzma2;
  const Lzma2Block& block = blocks_[index];
  if (!worker->allocated) {
    const SRes result =
        lzma2 ? Lzma2Dec_AllocateProbs(&worker->lzma2, input_.properties[0], &kHeapAlloc)
              : LzmaDec_AllocateProbs(&worker->lzma, input_.properties,
                                      static_cast<unsigned>(input_.properties_size), &kHeapAlloc);
    if (result != SZ_OK) {
      LOG(ERROR) << "The decoder's properties are not usable: " << result;
      Publish(index, 0, /*done=*/false, Status::kDataError, 0);
      return;
    }
    worker->allocated = true;
  }
  Step step = {};
  step.lzma2 = lzma2;
  step.lzma2_decoder = &worker->lzma2;
  step.lzma_decoder = &worker->lzma;
  step.src = input_.packed + block.packed_offset;
  step.src_left = block.packed_size;
  step.size = static_cast<size_t>(block.unpacked_size);
  step.last_block = index + 1 == blocks_.size();
  if (lzma2) {
    worker->lzma2.decoder.dic = buffer;
    worker->lzma2.decoder.dicBufSize = step.size;
    Lzma2Dec_Init(&worker->lzma2);
  } else {
    worker->lzma.dic = buffer;
    worker->lzma.dicBufSize = step.size;
    LzmaDec_Init(&worker->lzma);
  }

  InPageErrorGuard guard(&InDecoderMemory, this);
  for (;;) {
    // The buffer's file is filled one step ahead of the decoder the first
    // time the buffer is used (see FileBackedSzAlloc::PrefillTo), so the
    // first bytes are published at once and a short block fills no more.
    slot->alloc->PrefillTo(step.pos + kStepSize);
    if (!guard.Run(&DecodeStep, &step)) {
      Publish(index, step.pos, /*done=*/false, Status::kInPageError, guard.fault_status());
      return;
    }
    if (step.failed) {
      LOG(ERROR) << "Data error in block " << index << " after " << step.pos << " bytes";
      Publish(index, step.pos, /*done=*/false, Status::kDataError, 0);
      return;
    }
    if (step.finished)
      break;
    Publish(index, step.pos, /*done=*/false, Status::kOk, 0);
    base::AutoLock hold(lock_);
    if (cancelled_)
      return;
  }
  if (hook_) {
    HookCall call = {hook_, buffer, step.size};
    if (!guard.Run(&RunHook, &call)) {
      Publish(index, step.pos, /*done=*/false, Status::kInPageError, guard.fault_status());
      return;
    }
  }
  Publish(index, step.pos, /*done=*/true, Status::kOk, 0);
}

void ParallelBlockDecoder::Publish(size_t index,
                                   uint64_t decoded,
                                   bool done,
                                   Status status,
                                   uint32_t fault_status) {
  base::AutoLock hold(lock_);
  BlockState& state = states_[index];
  state.decoded = decoded;
  state.done = done;
  state.status = status;
  state.fault_status = fault_status;
  decoded_.Broadcast();
}
