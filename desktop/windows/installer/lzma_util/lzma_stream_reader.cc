#include "desktop/windows/installer/lzma_util/lzma_stream_reader.h"

#include <algorithm>
#include <limits>
#include <new>

#include "7zAlloc.h"

namespace {

const ISzAlloc kHeapAlloc = {SzAlloc, SzFree};

}  // namespace

LzmaStreamReader::LzmaStreamReader() {
  LzmaDec_CONSTRUCT(&decoder_);
}

LzmaStreamReader::~LzmaStreamReader() {
  LzmaDec_FreeProbs(&decoder_, &kHeapAlloc);
}

bool LzmaStreamReader::Init(const uint8_t* properties,
                            size_t properties_size,
                            const uint8_t* packed,
                            size_t packed_size,
                            uint64_t unpacked_size) {
  CLzmaProps decoded;
  if (LzmaProps_Decode(&decoded, properties, static_cast<unsigned>(properties_size)) != SZ_OK ||
      LzmaDec_AllocateProbs(&decoder_, properties, static_cast<unsigned>(properties_size),
                            &kHeapAlloc) != SZ_OK) {
    return false;
  }
  // The whole output fits in a dictionary of its size: no match reaches
  // further back than that.
  const uint64_t dictionary_size =
      std::max<uint64_t>(1, std::min<uint64_t>(decoded.dicSize, unpacked_size));
  if (dictionary_size > std::numeric_limits<size_t>::max())
    return false;
  dictionary_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(dictionary_size)]);
  if (!dictionary_)
    return false;
  decoder_.dic = dictionary_.get();
  decoder_.dicBufSize = static_cast<size_t>(dictionary_size);
  LzmaDec_Init(&decoder_);
  packed_ = packed;
  packed_left_ = packed_size;
  left_ = unpacked_size;
  return true;
}

bool LzmaStreamReader::Read(uint8_t* dest, size_t size, size_t* read) {
  *read = 0;
  size = static_cast<size_t>(std::min<uint64_t>(size, left_));
  while (*read < size) {
    SizeT out = size - *read;
    SizeT in = packed_left_;
    ELzmaStatus status;
    const ELzmaFinishMode finish = out == left_ ? LZMA_FINISH_END : LZMA_FINISH_ANY;
    if (LzmaDec_DecodeToBuf(&decoder_, dest + *read, &out, packed_, &in, finish, &status) !=
        SZ_OK) {
      return false;
    }
    packed_ += in;
    packed_left_ -= in;
    *read += out;
    left_ -= out;
    if (out == 0 && in == 0)
      return false;  // Out of input before the end.
  }
  return true;
}

bool LzmaStreamReader::Finish() {
  if (left_ != 0)
    return false;
  if (packed_left_ != 0) {
    uint8_t none;
    SizeT out = 0;
    SizeT in = packed_left_;
    ELzmaStatus status;
    if (LzmaDec_DecodeToBuf(&decoder_, &none, &out, packed_, &in, LZMA_FINISH_END, &status) !=
        SZ_OK) {
      return false;
    }
    packed_ += in;
    packed_left_ -= in;
  }
  return packed_left_ == 0;
}
