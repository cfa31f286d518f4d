#include "desktop/windows/installer/lzma_util/lzma2_blocks.h"

namespace {

uint32_t BigEndian16(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 8) | p[1];
}

}  // namespace

bool FindLzma2Blocks(const uint8_t* data,
                     size_t size,
                     uint64_t min_unpacked,
                     std::vector<Lzma2Block>* blocks) {
  blocks->clear();
  size_t pos = 0;
  while (pos < size) {
    const uint8_t control = data[pos];
    if (control == 0) {
      // The end mark.
      if (pos + 1 != size)
        return false;
      if (blocks->empty())
        blocks->push_back(Lzma2Block());
      blocks->back().packed_size = size - blocks->back().packed_offset;
      return true;
    }
    size_t header;
    size_t packed;
    uint64_t unpacked;
    if (control == 1 || control == 2) {
      // Stored chunk, with (1) or without (2) a dictionary reset.
      header = 3;
      if (size - pos < header)
        return false;
      unpacked = BigEndian16(data + pos + 1) + 1;
      packed = unpacked;
    } else if (control >= 0x80) {
      // LZMA chunk; 0xC0 and up carry a properties byte.
      header = control >= 0xC0 ? 6 : 5;
      if (size - pos < header)
        return false;
      unpacked = (static_cast<uint64_t>(control & 0x1F) << 16) + BigEndian16(data + pos + 1) + 1;
      packed = BigEndian16(data + pos + 3) + 1;
    } else {
      return false;
    }
    const bool resets_dictionary = control == 1 || control >= 0xE0;
    if (blocks->empty() && !resets_dictionary)
      return false;
    if (resets_dictionary && (blocks->empty() || blocks->back().unpacked_size >= min_unpacked)) {
      Lzma2Block block;
      block.packed_offset = pos;
      blocks->push_back(block);
    }
    if (size - pos - header < packed)
      return false;
    pos += header + packed;
    blocks->back().unpacked_size += unpacked;
    blocks->back().packed_size = pos - blocks->back().packed_offset;
  }
  return false;  // No end mark.
}
