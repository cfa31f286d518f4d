#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LZMA2_BLOCKS_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LZMA2_BLOCKS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

// A run of LZMA2 chunks that starts with a dictionary reset, so that it
// decodes without anything before it.
struct Lzma2Block {
  size_t packed_offset = 0;
  size_t packed_size = 0;
  uint64_t unpacked_size = 0;
};

// Splits the packed LZMA2 stream `data` at its dictionary resets, joining
// neighbours until each block holds at least `min_unpacked` bytes (the last
// may hold fewer). Only the chunk headers are read. False when they do not
// form one well-formed stream whose end mark is its last byte.
bool FindLzma2Blocks(const uint8_t* data,
                     size_t size,
                     uint64_t min_unpacked,
                     std::vector<Lzma2Block>* blocks);

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LZMA2_BLOCKS_H_
