#include "desktop/windows/installer/signature_checker/pe_image_layout.h"

#include <cstring>

namespace {

constexpr size_t kLfanewOffset = 0x3C;
constexpr size_t kFileHeaderSize = 20;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kSecurityDirectoryIndex = 4;

}  // namespace

bool PeImageLayout::Parse(const uint8_t* data, size_t size) {
  if (size < kLfanewOffset + 4 || data[0] != 'M' || data[1] != 'Z')
    return false;
  const size_t signature = ReadU32(data + kLfanewOffset);
  const size_t optional_header = signature + 4 + kFileHeaderSize;
  if (signature > size || size - signature < 4 + kFileHeaderSize + 2 ||
      memcmp(data + signature, "PE\0\0", 4) != 0) {
    return false;
  }
  const size_t optional_size = ReadU16(data + signature + 4 + 16);
  const uint16_t magic = ReadU16(data + optional_header);
  size_t directories, directory_count;
  if (magic == kPe32Magic) {
    directory_count = optional_header + 92;
    directories = optional_header + 96;
  } else if (magic == kPe32PlusMagic) {
    directory_count = optional_header + 108;
    directories = optional_header + 112;
  } else {
    return false;
  }
  const size_t entry = directories + kSecurityDirectoryIndex * 8;
  if (entry + 8 > size || entry + 8 > optional_header + optional_size ||
      ReadU32(data + directory_count) <= kSecurityDirectoryIndex) {
    return false;
  }
  checksum_offset_ = optional_header + 64;
  security_entry_offset_ = entry;
  certificate_table_offset_ = ReadU32(data + entry);
  certificate_table_size_ = ReadU32(data + entry + 4);
  valid_table_ = certificate_table_size_ != 0 && certificate_table_offset_ >= entry + 8 &&
                 certificate_table_offset_ <= size &&
                 certificate_table_size_ <= size - certificate_table_offset_;
  return true;
}
