#include "desktop/windows/installer/lzma_util/folder_stream.h"

#include <algorithm>
#include <cstring>

#include "Bra.h"
#include "base/logging.h"

namespace {

constexpr uint32_t kLzma2 = 0x21;
constexpr uint32_t kLzma = 0x30101;
constexpr uint32_t kBcj = 0x3030103;
constexpr uint32_t kBcj2 = 0x303011B;

constexpr size_t kX86BufferSize = 1 << 20;
constexpr size_t kSideBufferSize = 1 << 16;

// The BCJ2 layout 7-Zip writes (and the SDK's decoder accepts): coder 2
// makes the main stream from pack stream 0, coder 1 the call stream from
// pack stream 2, coder 0 the jump stream from pack stream 3, and pack
// stream 1 is the range coder's, stored.
constexpr uint32_t kBcj2MainCoder = 2;
constexpr uint32_t kBcj2CallCoder = 1;
constexpr uint32_t kBcj2JumpCoder = 0;
constexpr uint32_t kBcj2CallPack = 2;
constexpr uint32_t kBcj2JumpPack = 3;
constexpr uint32_t kBcj2RangePack = 1;

bool IsMainCoder(const CSzCoderInfo& coder) {
  return coder.NumStreams == 1 && (coder.MethodID == kLzma || coder.MethodID == kLzma2);
}

bool ReadFolder(const CSzArEx* db, uint32_t index, CSzFolder* folder, const uint8_t** data) {
  const CSzAr& ar = db->db;
  CSzData sd;
  sd.Data = ar.CodersData + ar.FoCodersOffsets[index];
  sd.Size = ar.FoCodersOffsets[index + 1] - ar.FoCodersOffsets[index];
  *data = sd.Data;
  return SzGetNextFolderItem(folder, &sd) == SZ_OK && sd.Size == 0 &&
         folder->UnpackStream == ar.FoToMainUnpackSizeIndex[index];
}

bool IsBcj2Layout(const CSzFolder& f) {
  return IsMainCoder(f.Coders[kBcj2MainCoder]) && f.Coders[kBcj2CallCoder].MethodID == kLzma &&
         f.Coders[kBcj2CallCoder].NumStreams == 1 && f.Coders[kBcj2JumpCoder].MethodID == kLzma &&
         f.Coders[kBcj2JumpCoder].NumStreams == 1 && f.Coders[3].MethodID == kBcj2 &&
         f.Coders[3].NumStreams == 4 && f.NumPackStreams == 4 && f.PackStreams[0] == 2 &&
         f.PackStreams[1] == 6 && f.PackStreams[2] == 1 && f.PackStreams[3] == 0 &&
         f.NumBonds == 3 && f.Bonds[0].InIndex == 5 && f.Bonds[0].OutIndex == 0 &&
         f.Bonds[1].InIndex == 4 && f.Bonds[1].OutIndex == 1 && f.Bonds[2].InIndex == 3 &&
         f.Bonds[2].OutIndex == 2;
}

}  // namespace

// static
bool FolderStream::IsSupported(const CSzArEx* db, uint32_t folder_index) {
  CSzFolder f;
  const uint8_t* data;
  if (!ReadFolder(db, folder_index, &f, &data))
    return false;
  switch (f.NumCoders) {
    case 1:
      return IsMainCoder(f.Coders[0]) && f.NumPackStreams == 1 && f.PackStreams[0] == 0 &&
             f.NumBonds == 0;
    case 2:
      return IsMainCoder(f.Coders[0]) && f.Coders[1].MethodID == kBcj &&
             f.Coders[1].NumStreams == 1 && f.Coders[1].PropsSize == 0 && f.NumPackStreams == 1 &&
             f.PackStreams[0] == 0 && f.NumBonds == 1 && f.Bonds[0].InIndex == 1 &&
             f.Bonds[0].OutIndex == 0;
    case 4:
      return IsBcj2Layout(f);
    default:
      return false;
  }
}

// static
std::vector<uint64_t> FolderStream::Methods(const CSzArEx* db, uint32_t folder_index) {
  CSzFolder f;
  const uint8_t* data;
  std::vector<uint64_t> methods;
  if (!ReadFolder(db, folder_index, &f, &data))
    return methods;
  for (uint32_t i = 0; i < f.NumCoders; ++i)
    methods.push_back(f.Coders[i].MethodID);
  return methods;
}

FolderStream::FolderStream(const CSzArEx* db,
                           uint32_t folder_index,
                           const uint8_t* archive,
                           size_t archive_size)
    : db_(db), folder_index_(folder_index), archive_(archive), archive_size_(archive_size) {}

FolderStream::~FolderStream() = default;

bool FolderStream::PackedStream(uint32_t index, const uint8_t** data, size_t* size) const {
  const CSzAr& ar = db_->db;
  const uint32_t pack = ar.FoStartPackStreamIndex[folder_index_] + index;
  const uint64_t offset = db_->dataPos + ar.PackPositions[pack];
  const uint64_t length = ar.PackPositions[pack + 1] - ar.PackPositions[pack];
  if (offset > archive_size_ || length > archive_size_ - offset)
    return false;
  *data = archive_ + offset;
  *size = static_cast<size_t>(length);
  return true;
}

FolderStream::Status FolderStream::Start(StreamResources* resources,
                                         size_t max_threads,
                                         ParallelBlockDecoder::DecodedBlockHook hook,
                                         uint32_t* fault_status) {
  CSzFolder f;
  const uint8_t* coders_data;
  if (!ReadFolder(db_, folder_index_, &f, &coders_data))
    return Status::kDataError;
  const CSzAr& ar = db_->db;
  const UInt64* coder_sizes = ar.CoderUnpackSizes + ar.FoToCoderUnpackSizes[folder_index_];
  size_ = SzAr_GetFolderUnpackSize(&ar, folder_index_);
  filter_ = f.NumCoders == 4 ? Filter::kBcj2 : f.NumCoders == 2 ? Filter::kX86 : Filter::kNone;
  const uint32_t main_coder = filter_ == Filter::kBcj2 ? kBcj2MainCoder : 0;
  const CSzCoderInfo& coder = f.Coders[main_coder];

  ParallelBlockDecoder::Input input;
  input.method = coder.MethodID == kLzma2 ? ParallelBlockDecoder::Method::kLzma2
                                          : ParallelBlockDecoder::Method::kLzma;
  input.properties = coders_data + coder.PropsOffset;
  input.properties_size = coder.PropsSize;
  input.unpacked_size = coder_sizes[main_coder];
  if (!PackedStream(0, &input.packed, &input.packed_size) ||
      (filter_ != Filter::kBcj2 && input.unpacked_size != size_)) {
    LOG(ERROR) << "The main stream of the solid block does not fit the archive";
    return Status::kDataError;
  }

  if (filter_ == Filter::kBcj2) {
    const uint64_t call_size = coder_sizes[kBcj2CallCoder];
    const uint64_t jump_size = coder_sizes[kBcj2JumpCoder];
    if ((call_size & 3) != 0 || (jump_size & 3) != 0 ||
        input.unpacked_size + call_size + jump_size != size_) {
      LOG(ERROR) << "The BCJ2 stream sizes do not add up";
      return Status::kDataError;
    }
    Bcj2Dec_Init(&bcj2_);
    const uint32_t side_coders[2] = {kBcj2CallCoder, kBcj2JumpCoder};
    const uint32_t side_packs[2] = {kBcj2CallPack, kBcj2JumpPack};
    for (int i = 0; i < 2; ++i) {
      const CSzCoderInfo& side = f.Coders[side_coders[i]];
      const uint8_t* packed;
      size_t packed_size;
      if (!PackedStream(side_packs[i], &packed, &packed_size) ||
          !side_readers_[i].Init(coders_data + side.PropsOffset, side.PropsSize, packed,
                                 packed_size, coder_sizes[side_coders[i]])) {
        LOG(ERROR) << "BCJ2 stream " << i << " cannot be decoded";
        return Status::kDataError;
      }
      side_buffers_[i].reset(new uint8_t[kSideBufferSize]);
      bcj2_.bufs[BCJ2_STREAM_CALL + i] = bcj2_.lims[BCJ2_STREAM_CALL + i] = side_buffers_[i].get();
    }
    const uint8_t* range;
    size_t range_size;
    if (!PackedStream(kBcj2RangePack, &range, &range_size)) {
      LOG(ERROR) << "The BCJ2 range coder stream does not fit the archive";
      return Status::kDataError;
    }
    bcj2_.bufs[BCJ2_STREAM_RC] = range;
    bcj2_.lims[BCJ2_STREAM_RC] = range + range_size;
    bcj2_.bufs[BCJ2_STREAM_MAIN] = bcj2_.lims[BCJ2_STREAM_MAIN] = nullptr;
  }
  main_ = std::make_unique<ParallelBlockDecoder>(input);
  return main_->Start(resources, max_threads, hook, fault_status);
}

FolderStream::Status FolderStream::Read(uint8_t* dest,
                                        size_t size,
                                        size_t* read,
                                        uint32_t* fault_status) {
  *read = 0;
  switch (filter_) {
    case Filter::kNone:
      return ReadMain(dest, size, read, fault_status);
    case Filter::kX86:
      return ReadX86(dest, size, read, fault_status);
    case Filter::kBcj2:
      return ReadBcj2(dest, size, read, fault_status);
  }
  return Status::kDataError;
}

FolderStream::Status FolderStream::ReadMain(uint8_t* dest,
                                            size_t size,
                                            size_t* read,
                                            uint32_t* fault_status) {
  while (*read < size && !main_ended_) {
    const uint8_t* data;
    size_t got;
    const Status status = main_->Next(size - *read, &data, &got, fault_status);
    if (status != Status::kOk)
      return status;
    if (got == 0)
      main_ended_ = true;
    std::memcpy(dest + *read, data, got);
    *read += got;
  }
  return Status::kOk;
}

FolderStream::Status FolderStream::ReadX86(uint8_t* dest,
                                           size_t size,
                                           size_t* read,
                                           uint32_t* fault_status) {
  while (*read < size) {
    if (x86_carry_begin_ < x86_carry_converted_) {
      const size_t n = std::min(size - *read, x86_carry_converted_ - x86_carry_begin_);
      std::memcpy(dest + *read, x86_carry_ + x86_carry_begin_, n);
      x86_carry_begin_ += n;
      *read += n;
      continue;
    }
    if (main_ended_ && x86_carry_converted_ == x86_carry_end_)
      break;
    // The bytes not yet converted, then the main stream's, converted where
    // they are read to: in place when the read has room, else in the carry.
    const size_t waiting = x86_carry_end_ - x86_carry_converted_;
    const bool in_place = size - *read >= kX86CarrySize;
    uint8_t* buffer = in_place ? dest + *read : x86_carry_;
    const size_t room = in_place ? size - *read : kX86CarrySize;
    std::memmove(buffer, x86_carry_ + x86_carry_converted_, waiting);
    x86_carry_begin_ = x86_carry_converted_ = x86_carry_end_ = 0;
    size_t got = 0;
    const Status status = ReadMain(buffer + waiting, room - waiting, &got, fault_status);
    if (status != Status::kOk)
      return status;
    const size_t filled = waiting + got;
    const uint8_t* end = z7_BranchConvSt_X86_Dec(buffer, filled, x86_pc_, &x86_state_);
    // At the end of the stream the last few bytes stay as they are.
    const size_t converted = main_ended_ ? filled : static_cast<size_t>(end - buffer);
    x86_pc_ += static_cast<uint32_t>(converted);
    if (in_place) {
      *read += converted;
      std::memcpy(x86_carry_, buffer + converted, filled - converted);
      x86_carry_end_ = filled - converted;
    } else {
      x86_carry_converted_ = converted;
      x86_carry_end_ = filled;
    }
  }
  return Status::kOk;
}

FolderStream::Status FolderStream::ReadBcj2(uint8_t* dest,
                                            size_t size,
                                            size_t* read,
                                            uint32_t* fault_status) {
  size = static_cast<size_t>(std::min<uint64_t>(size, size_ - produced_));
  bcj2_.dest = dest;
  bcj2_.destLim = dest + size;
  while (bcj2_.dest != bcj2_.destLim) {
    if (Bcj2Dec_Decode(&bcj2_) != SZ_OK) {
      LOG(ERROR) << "BCJ2 data error";
      return Status::kDataError;
    }
    if (bcj2_.dest == bcj2_.destLim)
      break;
    if (bcj2_.state == BCJ2_STREAM_MAIN) {
      const uint8_t* data;
      size_t got;
      const Status status = main_->Next(kX86BufferSize, &data, &got, fault_status);
      if (status != Status::kOk)
        return status;
      if (got == 0) {
        LOG(ERROR) << "The BCJ2 main stream ends early";
        return Status::kDataError;
      }
      bcj2_.bufs[BCJ2_STREAM_MAIN] = data;
      bcj2_.lims[BCJ2_STREAM_MAIN] = data + got;
    } else if (bcj2_.state == BCJ2_STREAM_CALL || bcj2_.state == BCJ2_STREAM_JUMP) {
      if (!RefillSideStream(static_cast<int>(bcj2_.state))) {
        LOG(ERROR) << "BCJ2 stream " << bcj2_.state << " is damaged or ends early";
        return Status::kDataError;
      }
    } else {
      LOG(ERROR) << "The BCJ2 range coder stream is damaged or ends early";
      return Status::kDataError;
    }
  }
  *read = static_cast<size_t>(bcj2_.dest - dest);
  produced_ += *read;
  return Status::kOk;
}

bool FolderStream::RefillSideStream(int stream) {
  const int i = stream - BCJ2_STREAM_CALL;
  size_t got = 0;
  if (!side_readers_[i].Read(side_buffers_[i].get(), kSideBufferSize, &got) || got == 0 ||
      (got & 3) != 0) {
    return false;
  }
  bcj2_.bufs[stream] = side_buffers_[i].get();
  bcj2_.lims[stream] = side_buffers_[i].get() + got;
  return true;
}

FolderStream::Status FolderStream::Finish(uint32_t* fault_status) {
  if (x86_carry_begin_ != x86_carry_end_ ||
      (filter_ == Filter::kBcj2 && bcj2_.bufs[BCJ2_STREAM_MAIN] != bcj2_.lims[BCJ2_STREAM_MAIN])) {
    LOG(ERROR) << "The main stream is longer than the solid block";
    return Status::kDataError;
  }
  if (!main_ended_) {
    const uint8_t* data;
    size_t got;
    const Status status = main_->Next(1, &data, &got, fault_status);
    if (status != Status::kOk)
      return status;
    if (got != 0) {
      LOG(ERROR) << "The main stream is longer than the solid block";
      return Status::kDataError;
    }
    main_ended_ = true;
  }
  if (filter_ != Filter::kBcj2)
    return Status::kOk;
  bool ended = true;
  for (int i = BCJ2_STREAM_CALL; i < BCJ2_NUM_STREAMS; ++i)
    ended = ended && bcj2_.bufs[i] == bcj2_.lims[i];
  ended = ended && produced_ == size_ && side_readers_[0].Finish() && side_readers_[1].Finish() &&
          Bcj2Dec_IsMaybeFinished(&bcj2_);
  if (!ended)
    LOG(ERROR) << "The BCJ2 streams do not end together";
  return ended ? Status::kOk : Status::kDataError;
}

bool FolderStream::Contains(const void* address) const {
  const uint8_t* p = static_cast<const uint8_t*>(address);
  return (p >= archive_ && p < archive_ + archive_size_) || (main_ && main_->Contains(address));
}
