#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LZMA_STREAM_READER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LZMA_STREAM_READER_H_

#include <cstddef>
#include <cstdint>
#include <memory>

#include "LzmaDec.h"

// Decodes an LZMA stream that lies whole in memory piece by piece, through a
// dictionary no larger than the stream's output: the small call and jump
// streams of the BCJ2 filter.
class LzmaStreamReader {
 public:
  LzmaStreamReader();
  LzmaStreamReader(const LzmaStreamReader&) = delete;
  LzmaStreamReader& operator=(const LzmaStreamReader&) = delete;
  ~LzmaStreamReader();

  // False when the properties are bad or the dictionary cannot be had.
  bool Init(const uint8_t* properties,
            size_t properties_size,
            const uint8_t* packed,
            size_t packed_size,
            uint64_t unpacked_size);

  // Decodes up to `size` bytes into `dest`; fewer only at the end of the
  // stream. False on bad data.
  bool Read(uint8_t* dest, size_t size, size_t* read);

  // After the last byte: whether the input ends there too (past an end
  // mark, if any). An empty stream still holds the range coder's start.
  bool Finish();

 private:
  CLzmaDec decoder_;
  std::unique_ptr<uint8_t[]> dictionary_;
  const uint8_t* packed_ = nullptr;
  size_t packed_left_ = 0;
  uint64_t left_ = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LZMA_STREAM_READER_H_
